// Generated GeoJSON files for comparing the module with ogr2ogr -f SegmentFile: every geometry
// type, Z values, nulls and empties, ids of each kind, long and halfway decimals, a line over the
// 99999 points of a record, points on one minute, longitudes to wrap, and values out of range.
// SPDX-License-Identifier: MIT

const feature = (geometry, extra = {}) => ({ type: 'Feature', properties: {}, geometry, ...extra });
const line = (count, step) =>
  Array.from({ length: count }, (_, i) => [((i * step) % 360) - 180, ((i * step) % 170) - 85]);

export function geoJsonCases() {
  const everyType = {
    type: 'FeatureCollection',
    features: [
      feature({ type: 'Point', coordinates: [12.5, 48.25, 512] }),
      feature({ type: 'MultiPoint', coordinates: [[1, 2], [3, 4, 5]] }),
      feature({ type: 'LineString', coordinates: [[190, 10], [-190, -10], [539.9, 0]] }),
      feature({ type: 'MultiLineString',
                coordinates: [[[1, 1], [2, 2]], [], [[3, 3], [3.001, 3.001]]] }),
      feature({ type: 'Polygon',
                coordinates: [[[0, 0], [1, 0], [1, 1], [0, 0]],
                              [[0.2, 0.2], [0.3, 0.2], [0.2, 0.2]]] }),
      feature({ type: 'MultiPolygon',
                coordinates: [[[[5, 5], [6, 5], [5, 6], [5, 5]]],
                              [[[7, 7], [8, 7], [7, 8], [7, 7]]]] }),
      feature({ type: 'GeometryCollection', geometries: [
        { type: 'Point', coordinates: [9, 9] },
        { type: 'LineString', coordinates: [[10, 10], [11, 11]] }] }),
      feature(null),
      feature({ type: 'LineString', coordinates: [] }),
      feature({ type: 'Point', coordinates: [-0.125, 0.375] }),
    ],
  };
  const ids = {
    type: 'FeatureCollection',
    features: [feature({ type: 'Point', coordinates: [1, 1] }, { id: 10, properties: { b: 1 } }),
               feature({ type: 'Point', coordinates: [2, 2] }, { properties: { a: 'x', b: 2 } }),
               feature({ type: 'Point', coordinates: [3, 600] })],
  };
  const stringIds = {
    type: 'FeatureCollection',
    features: [feature({ type: 'Point', coordinates: [1, 1] }, { id: 'first' }),
               feature({ type: 'Point', coordinates: [2, 2] }, { id: 2.5 }),
               feature({ type: 'LineString', coordinates: [[1, 1], [600, 1], [1, -700]] })],
  };
  const long = { type: 'FeatureCollection', features: [
    feature({ type: 'LineString', coordinates: line(100003, 0.01) }),
    feature({ type: 'MultiLineString', coordinates: [line(5, 1), line(200001, 0.003)] })] };
  const asText = (value) => Buffer.from(JSON.stringify(value, null, 1));
  return [
    { name: 'every_type.geojson', bytes: asText(everyType) },
    // JSON.stringify would shorten the long numbers: written out as they are.
    { name: 'decimals.geojson',
      bytes: Buffer.from(`{"type": "FeatureCollection", "name": "decimals",
      "features": [{"type": "Feature", "properties": {}, "geometry": {"type": "LineString",
      "coordinates": [[0.12500000000000000000000000000001, 0.37499999999999999999999999999999],
      [179.99166666666666666666666666666666666667, -89.991666666666666666666666666666666667],
      [1e-400, 12.5e0], [-1.25E+1, 4.825e1], [1234.5, 12]]}}]}`) },
    { name: 'ids.geojson', bytes: asText(ids) },
    { name: 'string_ids.geojson', bytes: asText(stringIds) },
    { name: 'long_lines.geojson', bytes: asText(long) },
    { name: 'feature.json',
      bytes: asText(feature({ type: 'Polygon', coordinates: [[[1, 1], [2, 1], [1, 2], [1, 1]]] },
                            { properties: { name: 'x' } })) },
    // Escaped names: the first field is named in a warning.
    { name: 'escapes.geojson',
      bytes: Buffer.from(String.raw`{"type": "Feature", "properties": {"caf\u00e9 \ud83c\udf0d\t\"": 1},
        "geometry": {"type": "Point", "coordinates": [1, 2]}}`) },
    { name: 'geometry.json',
      bytes: asText({ type: 'MultiPoint', coordinates: [[1, 2], [1.001, 2.001]] }) },
  ];
}
