/** Bytes in: a Uint8Array (a Node Buffer), another typed array, a DataView, an ArrayBuffer or a
 * SharedArrayBuffer. Anything else (a string, undefined) throws a TypeError. */
export type Bytes = ArrayBufferLike | ArrayBufferView;

export interface ConvertOptions {
  /** The text lists latitude before longitude (the converter's -LATLON). */
  latFirst?: boolean;
}

export interface LintOptions extends ConvertOptions {
  /** The name the report gives the text ("input" unless given). */
  name?: string;
}

export type DumpFormat = 'text' | 'geojson' | 'svg' | 'check';

export interface DumpOptions {
  /** The name messages and the check line give the file ("standard input" unless given). */
  name?: string;
  /** GeoJSON: the stored values as they are, no wrap, no cut at the antimeridian. */
  raw?: boolean;
  /** GeoJSON: no one-point records, every line a MultiLineString. */
  linesOnly?: boolean;
  /** SVG: frame the records' extent instead of the whole world. */
  fit?: boolean;
  /** SVG: width in pixels, 16 to 100000 (1600 unless given). */
  width?: number;
}

export interface GeoJsonResult {
  /** The segment file `ogr2ogr -f SegmentFile` writes from the GeoJSON with default options. */
  segments: Uint8Array;
  /** The lines ogr2ogr prints ("Warning 1: SegmentFile: ...", "ERROR 1: ..."), one a line. */
  messages: string;
  /** A feature was refused: ogr2ogr stops there (status 1); `segments` holds those before it. */
  stopped: boolean;
}

/** What kind of input or call a Coord2segError refuses. */
export type ErrorCode =
  | 'damaged'
  | 'not-json'
  | 'not-geojson'
  | 'bad-geometry'
  | 'bad-option'
  | 'out-of-memory'
  | 'disposed'
  | 'failed';

/** The error every refusal throws (inputs that are not bytes throw a TypeError instead). */
export class Coord2segError extends Error {
  readonly name: 'Coord2segError';
  readonly code: ErrorCode;
  /** The byte the fault is at: a segment file's damage, a JSON text's error. */
  readonly offset?: number;
}

export interface ConverterOptions {
  /** The module's .wasm file itself, which then is not fetched. */
  wasmBinary?: ArrayBufferLike | ArrayBufferView;
  /** Where to fetch the .wasm from: given its file name ('coord2seg-module.wasm') and the folder
   * of the package's script, the URL to fetch (in Node also a path). By default the file beside
   * the script. */
  locateFile?: (fileName: string, scriptFolder: string) => string | URL;
}

export interface Converter {
  /** The segment file the converter writes for a coordinate text. */
  convert(bytes: Bytes, options?: ConvertOptions): Uint8Array;
  /** coordlint's report on a coordinate text. */
  lint(bytes: Bytes, options?: LintOptions): string;
  /** segdump's output for a segment file; throws a Coord2segError ('damaged', with the offset)
   * naming the damage of a damaged one. */
  dump(bytes: Bytes, format?: DumpFormat, options?: DumpOptions): string;
  /** A GeoJSON FeatureCollection, Feature or geometry as ogr2ogr writes it to a segment file;
   * throws an Error for text that is not JSON or not GeoJSON. `name` names the layer. */
  fromGeoJson(bytes: Bytes, options?: { name?: string }): GeoJsonResult;
  /** The name the converter gives its output for an input name ("coast.txt" gives "coast.bin"). */
  outputName(inputName: string): string;
  /** Lets go of the module and all its memory; every call after this throws ('disposed'). */
  dispose(): void;
}

/** The name of the module's .wasm file, as `locateFile` is asked for it. */
export const wasmFileName: string;

/** Loads the WebAssembly module (once per call) and resolves to its converter. */
export default function createConverter(options?: ConverterOptions): Promise<Converter>;
