# The QGIS plugin from the build's zip exports layers to the converter's bytes.
# SPDX-License-Identifier: MIT
"""The QGIS plugin from the build's zip, without a screen: segmentfile:export writes ogr2ogr's bytes
for the same features, with the driver's warnings and errors in the Processing log.
usage: qgis_plugin_test.py PLUGIN_ZIP COORD2SEG EXAMPLES_DIR  (GDAL_DRIVER_PATH names the driver)
Exits 77 (skipped) without QGIS or ogr2ogr, unless the environment variable CI is set."""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

try:
    from osgeo import ogr
    from qgis.core import (QgsApplication, QgsFeature, QgsGeometry, QgsPointXY,
                           QgsProcessingAlgRunnerTask, QgsProcessingContext,
                           QgsProcessingException, QgsProcessingFeatureSourceDefinition,
                           QgsProcessingFeedback, QgsProject, QgsVectorLayer)
    from qgis.PyQt.QtCore import QEventLoop
except ImportError:
    QgsApplication = None
if QgsApplication is None or shutil.which("ogr2ogr") is None:
    print("QGIS's Python bindings (python3-qgis) or ogr2ogr (gdal-bin) are missing")
    sys.exit(1 if "CI" in os.environ else 77)

PLUGIN_ZIP, COORD2SEG, EXAMPLES = sys.argv[1:4]
SCRATCH = tempfile.mkdtemp()
class Log(QgsProcessingFeedback):
    def __init__(self):
        super().__init__()
        self.warnings, self.errors = [], []

    def pushWarning(self, warning):  # noqa: N802
        self.warnings.append(warning)

    def reportError(self, error, fatalError=False):  # noqa: N802,N803
        self.errors.append(error)


def scratch(name):
    return os.path.join(SCRATCH, name)


def read(path):
    with open(path, "rb") as file:
        return file.read()


def export(source, name):
    """The algorithm's file for SOURCE, and its log."""
    log = Log()
    processing.run("segmentfile:export", {"INPUT": source, "OUTPUT": scratch(name)}, feedback=log)
    return read(scratch(name)), log


def ogr2ogr(arguments, name):
    """ogr2ogr's file from the source and options in ARGUMENTS, and its warnings."""
    run = subprocess.run(["ogr2ogr", "-f", "SegmentFile", scratch(name), *arguments],
                         check=True, capture_output=True, text=True)
    return read(scratch(name)), run.stderr


def memory_copy(path, selected):
    """PATH's lines in a memory layer with one more field, those for which SELECTED holds
    selected."""
    source = QgsVectorLayer(path, "source", "ogr")
    layer = QgsVectorLayer("LineString?crs=EPSG:4326&field=POINTS:integer&field=name:string",
                           "memory", "memory")
    layer.dataProvider().addFeatures(list(source.getFeatures()))
    layer.selectByIds([f.id() for f in layer.getFeatures() if selected(f)])
    QgsProject.instance().addMapLayer(layer)  # so that a selection names it by its id
    return layer


def line_layer(points, crs="EPSG:4326"):
    layer = QgsVectorLayer("LineString?crs=" + crs, "line", "memory")
    feature = QgsFeature()
    feature.setGeometry(QgsGeometry.fromPolylineXY([QgsPointXY(x, y) for x, y in points]))
    layer.dataProvider().addFeatures([feature])
    return layer


def write_geojson(name, geometries, crs="EPSG:4326"):
    """One feature for each geometry, in the given system (GDAL reads "crs")."""
    features = [{"type": "Feature", "properties": {}, "geometry": geometry}
                for geometry in geometries]
    with open(scratch(name), "w") as file:
        json.dump({"type": "FeatureCollection", "features": features,
                   "crs": {"type": "name", "properties": {"name": crs}}}, file)


def check_same_bytes():
    """Each source through the algorithm and through ogr2ogr, with the warnings of both."""
    shutil.copy(os.path.join(EXAMPLES, "coast.txt"), scratch("coast.txt"))
    subprocess.run([COORD2SEG, scratch("coast.txt")], check=True)
    # Points on half minutes (rounded to even), longitudes at 180 and over, a hole, a feature
    # without geometry.
    write_geojson("cases.geojson", [
        {"type": "Polygon", "coordinates": [[[0, 0], [10, 0], [10, 10], [0, 0]],
                                            [[1, 1], [2, 1], [2, 2], [1, 1]]]}, None,
        {"type": "MultiLineString", "coordinates": [[[180, 0.125], [-179.991666, 0.375]],
                                                    [[359.5, -89.99], [190, 45.0083333]]]},
        {"type": "Point", "coordinates": [-0.0083333, 51.4775]}])
    long_line = [((i % 1200) / 60 - 10, i // 1200 / 60) for i in range(100001)]
    write_geojson("long.geojson", [{"type": "LineString", "coordinates": long_line}])
    mercator_line = [(-20037508.34 + 1e6 * i, 7e6 - 1.3e6 * i) for i in range(13)]
    write_geojson("mercator.geojson", [{"type": "LineString", "coordinates": mercator_line}],
                  "EPSG:3857")
    # Segment files joined are one: enough features that a selection out of order shows.
    with open(scratch("coasts.bin"), "wb") as file:
        file.write(read(scratch("coast.bin")) * 10)
    coast_memory = memory_copy(scratch("coasts.bin"), lambda feature: feature["POINTS"] != 1)
    table = [  # the algorithm's source, ogr2ogr's source and options, a warning the log shows
        (scratch("coast.bin"), [scratch("coast.bin")], None),
        (scratch("cases.geojson"), [scratch("cases.geojson")], "had no geometry"),
        (coast_memory, [scratch("coasts.bin")], "attributes such as 'name'"),
        (QgsProcessingFeatureSourceDefinition(coast_memory.id(), True),
         [scratch("coasts.bin"), "-where", "POINTS <> 1"], None),
        (line_layer(long_line), [scratch("long.geojson")], "more than the 99999 a record holds"),
        (line_layer(mercator_line, "EPSG:3857"),
         [scratch("mercator.geojson"), "-t_srs", "EPSG:4326"], None),
    ]
    for number, (source, ogr2ogr_args, warning) in enumerate(table):
        ours, log = export(source, "ours%d.bin" % number)
        theirs, stderr = ogr2ogr(ogr2ogr_args, "theirs%d.bin" % number)
        assert ours == theirs, "case %d: %d bytes, ogr2ogr %d" % (number, len(ours), len(theirs))
        assert not log.errors, log.errors
        # The log has every warning of ogr2ogr's, and the one the case is for; ogr2ogr gives
        # the driver no FIDs, so it names a feature by its place, the algorithm by QGIS's FID.
        logged = [re.sub(r" \(FID \d+\)", "", warning) for warning in log.warnings]
        for line in stderr.splitlines():
            # Reading a source with a one-point record warns; QGIS's provider logs that apart.
            if "has one point and is read as a LineString" in line:
                continue
            line = re.sub(r"the (\d+)(st|nd|rd|th) feature given to the layer", r"feature \1", line)
            assert line.replace("Warning 1: ", "") in logged, (line, log.warnings)
        assert warning is None or any(warning in w for w in log.warnings), (warning, log.warnings)
    assert read(scratch("ours0.bin")) == read(scratch("coast.bin")), "coord2seg's own file differs"
    # A layer saved over the file it was read from.
    shutil.copy(scratch("coast.bin"), scratch("again.bin"))
    again = export(QgsVectorLayer(scratch("again.bin"), "again", "ogr"), "again.bin")[0]
    assert again == read(scratch("coast.bin")), "a layer saved over its own file differs"


def check_refusals():
    """A value out of range fails the run with the driver's error, whether GDAL's Python bindings
    raise exceptions or not; a missing driver fails it with a message that says what to install.
    The file there before is left as it was."""
    driver = ogr.GetDriverByName("SegmentFile")
    with open(scratch("kept.bin"), "wb") as file:
        file.write(b"earlier")
    # The last with the bindings' exceptions on, as another plugin may leave them.
    for points, setting, error in [([(0, 0), (1000, 0)], None, "longitude 1000 (640 once wrapped)"),
                                   ([(0, 0), (1, 1)], "no driver", "no SegmentFile driver"),
                                   ([(0, 0), (-1000, 0)], "exceptions", "longitude -1000 (-640 once wrapped)")]:
        log, raised = Log(), None
        if setting == "no driver":
            driver.Deregister()
        if setting == "exceptions":
            ogr.UseExceptions()
        try:
            processing.run("segmentfile:export",
                           {"INPUT": line_layer(points), "OUTPUT": scratch("kept.bin")},
                           feedback=log)
        except QgsProcessingException as exception:
            raised = str(exception)
        finally:
            if setting == "no driver":
                driver.Register()
        assert raised is not None, error
        assert setting == "no driver" or raised.endswith("is left as it was"), raised
        assert any(error in message for message in log.errors + [raised]), (log.errors, raised)
        assert read(scratch("kept.bin")) == b"earlier"
        assert not [name for name in os.listdir(SCRATCH) if name.endswith("partial")]


def check_background_task():
    """As the toolbox's dialog runs it: in a task on another thread, whose GDAL messages reach
    the log too."""
    log, context = Log(), QgsProcessingContext()
    algorithm = QgsApplication.processingRegistry().createAlgorithmById("segmentfile:export")
    layer = memory_copy(scratch("coast.bin"), lambda feature: False)
    task = QgsProcessingAlgRunnerTask(algorithm, {"INPUT": layer, "OUTPUT": scratch("task.bin")},
                                      context, log)
    finished = QEventLoop()
    task.executed.connect(finished.quit)
    QgsApplication.taskManager().addTask(task)
    finished.exec_()
    assert read(scratch("task.bin")) == read(scratch("coast.bin"))
    assert any("attributes such as 'name'" in warning for warning in log.warnings), log.warnings


def check_toolbox_entry():
    algorithm = QgsApplication.processingRegistry().algorithmById("segmentfile:export")
    assert algorithm is not None
    assert (algorithm.provider().id(), algorithm.group()) == ("segmentfile", "Vector")
    assert algorithm.displayName() == "Export to segment file" and algorithm.shortHelpString()
    assert ".bin" in algorithm.parameterDefinition("OUTPUT").fileFilter()


APP = QgsApplication([], False)
APP.initQgis()
sys.path.append("/usr/share/qgis/python/plugins")  # Processing, a plugin of QGIS itself
import processing  # noqa: E402
import qgis.utils  # noqa: E402
from processing.core.Processing import Processing  # noqa: E402

Processing.initialize()
# Installed as Plugins > Install from ZIP does: the zip unpacked into a plugin folder.
with zipfile.ZipFile(PLUGIN_ZIP) as plugin_zip:
    plugin_zip.extractall(scratch("plugins"))
qgis.utils.plugin_paths.append(scratch("plugins"))
sys.path.insert(0, scratch("plugins"))
qgis.utils.updateAvailablePlugins()
assert qgis.utils.pluginMetadata("segmentfile", "name") == "Segment File Export"
assert qgis.utils.loadPlugin("segmentfile") and qgis.utils.startProcessingPlugin("segmentfile")
try:
    check_toolbox_entry()
    check_same_bytes()
    check_background_task()
    check_refusals()
    print("QGIS plugin: the algorithm's files match ogr2ogr's; warnings and errors are logged")
finally:
    shutil.rmtree(SCRATCH)
