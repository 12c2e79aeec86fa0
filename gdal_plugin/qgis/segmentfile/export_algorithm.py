# The Processing algorithm that exports a vector layer to a segment file.
# SPDX-License-Identifier: MIT
"""The Processing algorithm segmentfile:export: a vector layer saved as a segment file."""

import os

from qgis.core import (
    QgsCoordinateReferenceSystem,
    QgsFeatureRequest,
    QgsProcessing,
    QgsProcessingAlgorithm,
    QgsProcessingException,
    QgsProcessingFeatureSource,
    QgsProcessingFeatureSourceDefinition,
    QgsProcessingParameterFeatureSource,
    QgsProcessingParameterFileDestination,
)

from .gdal_writer import SegmentFileError, SegmentFileWriter, gdal_messages, segment_file_driver

HELP = (
    "Saves the features of a vector layer as a segment file, the binary file coord2seg writes: "
    "each line, polygon ring, part or point becomes one record of 16-bit minutes of arc. The "
    "file is written by GDAL's SegmentFile driver, so it holds the same bytes as "
    "<i>ogr2ogr -f SegmentFile</i> gives for the same features; the driver's warnings (parts "
    "split, attributes not stored) and errors (values out of range) appear in this log.<br>"
    "Attributes are not stored. A layer in projected coordinates is reprojected to WGS 84 "
    "(EPSG:4326) first. Needs the SegmentFile GDAL driver (package coord2seg-gdal)."
)


class ExportToSegmentFile(QgsProcessingAlgorithm):
    INPUT = "INPUT"
    OUTPUT = "OUTPUT"

    def name(self):
        return "export"

    def displayName(self):  # noqa: N802
        return "Export to segment file"

    def group(self):
        return "Vector"

    def groupId(self):  # noqa: N802
        return "vector"

    def shortHelpString(self):  # noqa: N802
        return HELP

    def tags(self):
        return ["segment", "coord2seg", "bin", "export", "save", "gdal", "ogr"]

    def createInstance(self):  # noqa: N802
        return ExportToSegmentFile()

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(
            QgsProcessingParameterFeatureSource(
                self.INPUT, "Input layer", [QgsProcessing.TypeVectorAnyGeometry]
            )
        )
        self.addParameter(
            QgsProcessingParameterFileDestination(
                self.OUTPUT, "Segment file", "Segment files (*.bin)"
            )
        )

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        source = self.parameterAsSource(parameters, self.INPUT, context)
        if source is None:
            raise QgsProcessingException(self.invalidSourceError(parameters, self.INPUT))
        path = self.parameterAsFileOutput(parameters, self.OUTPUT, context)
        try:
            segment_file_driver()
        except SegmentFileError as error:
            raise QgsProcessingException(str(error))
        request, crs = _degree_request(source, context, feedback)
        if _selection_only(parameters.get(self.INPUT)):
            # A layer hands its selection over in no set order; the file keeps the layer's.
            request.addOrderBy("$id")
        if not _save(source, request, crs, path, feedback):
            what = "Canceled" if feedback.isCanceled() else "Not written (see the errors above)"
            raise QgsProcessingException("%s: '%s' is left as it was" % (what, path))
        return {self.OUTPUT: path}


def _save(source, request, crs, path, feedback):
    """Writes the file beside PATH and renames it over PATH when whole, so that a refused
    feature or a cancel leaves an earlier file as it was, and a layer read from PATH can replace
    it; GDAL's warnings and errors go to the log. True when PATH holds the new file."""
    partial = _unused_name(path)
    layer_name = os.path.splitext(os.path.basename(path))[0]
    written = False
    try:
        with gdal_messages(feedback.pushWarning, feedback.reportError) as errors:
            try:
                written = _write(source, request, crs, partial, layer_name, feedback)
            except SegmentFileError as error:
                if not errors:  # else GDAL has said why
                    feedback.reportError(str(error))
        if written and not errors:
            os.replace(partial, path)
            return True
    except OSError as error:
        feedback.reportError("cannot write '%s': %s" % (path, error.strerror))
    finally:
        if os.path.isfile(partial):
            os.remove(partial)
    return False


def _unused_name(path):
    """A name beside PATH that no file has."""
    name = stem = "%s.%d.partial" % (path, os.getpid())
    number = 0
    while os.path.lexists(name):
        number += 1
        name = "%s%d" % (stem, number)
    return name


def _selection_only(value):
    return isinstance(value, QgsProcessingFeatureSourceDefinition) and value.selectedFeaturesOnly


def _degree_request(source, context, feedback):
    """The features in degrees: a projected layer is reprojected to WGS 84, as -t_srs EPSG:4326
    does for ogr2ogr; a geographic one or one without a system is taken as it is."""
    crs = source.sourceCrs()
    request = QgsFeatureRequest()
    if crs.isValid() and not crs.isGeographic():
        wgs84 = QgsCoordinateReferenceSystem("EPSG:4326")
        request.setDestinationCrs(wgs84, context.transformContext())
        name = crs.userFriendlyIdentifier()
        feedback.pushInfo("Reprojected from %s to WGS 84 (EPSG:4326)" % name)
        crs = wgs84
    return request, crs


def _write(source, request, crs, path, layer_name, feedback):
    """True when every feature was handed over, False on a refusal or a cancel; raises
    SegmentFileError when the file or its layer cannot be made."""
    wkt = crs.toWkt(QgsCoordinateReferenceSystem.WKT_PREFERRED_GDAL) if crs.isValid() else ""
    fields = source.fields().names()
    writer = SegmentFileWriter(path, layer_name, wkt, int(source.wkbType()), fields)
    total = source.featureCount()
    step = 100.0 / total if total > 0 else 0
    # Any line is a segment: a line of one point or one that crosses itself is kept, as ogr2ogr
    # keeps it, whatever Processing's setting for invalid geometries.
    any_geometry = QgsProcessingFeatureSource.FlagSkipGeometryValidityChecks
    features = source.getFeatures(request, any_geometry)
    try:
        for count, feature in enumerate(features):
            if feedback.isCanceled():
                return False
            wkb = bytes(feature.geometry().asWkb()) if feature.hasGeometry() else None
            # ogr2ogr stops at the first feature the driver refuses; so does this.
            if not writer.add(feature.id(), wkb):
                return False
            feedback.setProgress(count * step)
    finally:
        writer.close()
    return True
