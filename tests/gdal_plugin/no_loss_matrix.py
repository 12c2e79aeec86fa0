# The no-loss matrix's Python cells: the SegmentFile driver through GDAL's Python bindings.
# SPDX-License-Identifier: MIT
#
# Existing targets x ways in (Create/CreateDataSource with a layer in no system, or in EPSG:4326
# in either axis order; DeleteLayer) x sources, one rule per cell: either the calls succeed, the
# file holds exactly what coord2seg writes for the same positions and each feature has the FID
# the reader gives its first record, or they fail with a message and every file that was there is
# byte-identical. Usage: no_loss_matrix.py COORD2SEG (with GDAL_DRIVER_PATH set to the plugin).
import os
import subprocess
import sys
import tempfile

from osgeo import gdal, ogr, osr

gdal.UseExceptions()
ogr.UseExceptions()

# Features as WKT, x the longitude, and their parts written out by hand as coordinate text.
SOURCES = {
    "fine": [("LINESTRING (12.5 48.25,12.75 48.3)", ["12.5 48.25\n12.75 48.3\n"]),
             ("LINESTRING (-190 10,5.125 -6.5)", ["-190 10\n5.125 -6.5\n"])],
    "one_point": [("POINT (1.5 2.5)", ["1.5 2.5\n"]),
                  ("MULTIPOINT ((3 4),(5 6))", ["3 4\n", "5 6\n"]),
                  ("LINESTRING (7 8,9 10)", ["7 8\n9 10\n"])],
    "types": [("POLYGON ((0 0,1 0,1 1,0 0),(0.25 0.25,0.5 0.25,0.25 0.5,0.25 0.25))",
               ["0 0\n1 0\n1 1\n0 0\n", "0.25 0.25\n0.5 0.25\n0.25 0.5\n0.25 0.25\n"]),
              ("GEOMETRYCOLLECTION (POINT (6 7),LINESTRING (8 9,10 11))",
               ["6 7\n", "8 9\n10 11\n"])],
    "out_of_range": [("LINESTRING (1 2,3 4)", ["1 2\n3 4\n"]),
                     ("LINESTRING (0 600,1 1)", None)],  # None: the feature must be refused
}
OLD = bytes([2, 0, 0, 0, 0, 100, 0, 200, 0, 44, 1, 144, 1, 1, 0, 0, 0, 0, 5, 0, 6, 0])

TARGETS = ["none", "empty", "segment", "damaged", "foreign", "envi", "png", "geotiff",
           "directory"]
# GDAL's Create deletes a file another driver recognizes before this driver is asked.
LOST_BEFORE_ASKED = {"envi", "png", "geotiff"}


def converter_bytes(coord2seg, parts):
    with tempfile.TemporaryDirectory() as folder:
        text = os.path.join(folder, "in.txt")
        with open(text, "w") as out:
            out.write("".join(part + "#\n" for part in parts))
        subprocess.run([coord2seg, text], check=True)
        with open(os.path.join(folder, "in.bin"), "rb") as result:
            return result.read()


def make_target(kind, path):
    if kind == "none":
        return
    if kind == "directory":
        os.mkdir(path)
        with open(os.path.join(path, "inside.txt"), "w") as out:
            out.write("kept\n")
        return
    if kind in ("envi", "png", "geotiff"):
        driver = {"envi": "ENVI", "png": "PNG", "geotiff": "GTiff"}[kind]
        raster = gdal.GetDriverByName("MEM").Create("", 4, 4, 1, gdal.GDT_Byte)
        raster.GetRasterBand(1).Fill(7)
        gdal.GetDriverByName(driver).CreateCopy(path, raster)
        return
    content = {"empty": b"", "segment": OLD, "damaged": OLD[:15],
               "foreign": b"Notes of the survey, kept beside the tracks.\n"}[kind]
    with open(path, "wb") as out:
        out.write(content)


def snapshot(folder):
    files = {}
    for root, folders, names in os.walk(folder):
        for name in folders:
            files[os.path.relpath(os.path.join(root, name), folder)] = "<folder>"
        for name in names:
            with open(os.path.join(root, name), "rb") as data:
                files[os.path.relpath(os.path.join(root, name), folder)] = data.read()
    return files


def srs_for(kind):
    if kind == "no SRS":
        return None
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(4326)
    srs.SetAxisMappingStrategy(osr.OAMS_AUTHORITY_COMPLIANT if kind == "EPSG:4326 authority"
                               else osr.OAMS_TRADITIONAL_GIS_ORDER)
    return srs


def write_layer(path, how, srs_kind, features):
    """Creates the file and writes the features; returns the FIDs the driver gave them."""
    if how == "CreateDataSource":
        dataset = ogr.GetDriverByName("SegmentFile").CreateDataSource(path)
    else:
        dataset = gdal.GetDriverByName("SegmentFile").Create(path, 0, 0, 0, gdal.GDT_Unknown)
    try:
        layer = dataset.CreateLayer("lines", srs_for(srs_kind), ogr.wkbUnknown)
        fids = []
        for wkt, _ in features:
            feature = ogr.Feature(layer.GetLayerDefn())
            feature.SetGeometry(ogr.CreateGeometryFromWkt(wkt))
            layer.CreateFeature(feature)
            fids.append(feature.GetFID())
        if hasattr(dataset, "Close"):  # GDAL 3.7 on: a failure at closing raises
            dataset.Close()
        return fids
    finally:
        layer = feature = None
        dataset = None  # closes: the write is kept unless something was refused


def delete_layer(path):
    dataset = ogr.Open(path, 1)
    if dataset is None:
        raise RuntimeError(gdal.GetLastErrorMsg() or "ogr.Open found no dataset")
    try:
        dataset.DeleteLayer(0)
        return []
    finally:
        dataset = None


def judge(target, before, after, entry, succeeded, message, got, want):
    if succeeded:
        if target not in ("none", "empty", "segment", "damaged"):
            return "succeeded over a file that is not a segment file"
        if got != want:
            return "succeeded, but the file holds %d bytes instead of %d" % (len(got), len(want))
        for name, data in before.items():
            if name != entry and after.get(name) != data:
                return "succeeded, but '%s' changed" % name
        return ""
    if not message:
        return "failed without a message"
    for name, data in before.items():
        if after.get(name) != data:
            return "failed (%s), and '%s' changed or went" % (message, name)
    for name in after:
        if name not in before and name != entry:
            return "failed (%s), and left '%s'" % (message, name)
    return ""


def main():
    coord2seg = sys.argv[1]
    broken, lost, cells = [], [], 0
    ways = [(how, srs) for how in ("CreateDataSource", "Create")
            for srs in ("no SRS", "EPSG:4326 traditional", "EPSG:4326 authority")]
    ways.append(("DeleteLayer", None))
    for target in TARGETS:
        for how, srs_kind in ways:
            for source_name, features in SOURCES.items():
                if how == "DeleteLayer" and source_name != "fine":
                    continue
                if target not in ("none", "segment") and source_name not in ("fine",
                                                                             "out_of_range"):
                    continue
                cells += 1
                name = " | ".join(filter(None, [target, how, srs_kind, source_name]))
                with tempfile.TemporaryDirectory() as folder:
                    path = os.path.join(folder, "t.bin")
                    make_target(target, path)
                    before = snapshot(folder)
                    fids, message = [], ""
                    try:
                        if how == "DeleteLayer":
                            fids = delete_layer(path)
                        else:
                            fids = write_layer(path, how, srs_kind, features)
                        succeeded = True
                    except RuntimeError as error:
                        succeeded, message = False, str(error)
                    after = snapshot(folder)
                    got = after.get("t.bin", b"")
                    want, want_fids, record = b"", [], 1
                    if how != "DeleteLayer":
                        parts = []
                        for _, feature_parts in features:
                            want_fids.append(record if feature_parts else None)
                            record += len(feature_parts or [])
                            parts += feature_parts or []
                        want = converter_bytes(coord2seg, parts)
                        if any(p is None for _, p in features):
                            want = None  # must fail
                    why = judge(target, before, after, "t.bin", succeeded, message,
                                got if want is not None else None, want)
                    if not why and succeeded and fids != want_fids:
                        why = "FIDs %s instead of %s" % (fids, want_fids)
                    if why and target in LOST_BEFORE_ASKED and how != "DeleteLayer":
                        lost.append(name)
                    elif why:
                        broken.append(name + ": " + why)
    print("[ matrix   ] %d Python cells, %d broke the rule; %d lost before the driver is asked "
          "(a raster named .bin under Create)" % (cells, len(broken), len(lost)))
    for line in broken:
        print("  " + line)
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
