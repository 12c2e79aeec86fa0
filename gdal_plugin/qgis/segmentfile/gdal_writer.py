# Writes features to a segment file through GDAL's SegmentFile driver.
# SPDX-License-Identifier: MIT
"""A segment file written through GDAL's SegmentFile driver, with the calls ogr2ogr makes: one
layer, the source's fields declared, then each feature's geometry. The driver alone decides the
bytes, so the file is the one ogr2ogr writes for the same features."""

import contextlib

from osgeo import gdal, ogr, osr

DRIVER_NAME = "SegmentFile"


class SegmentFileError(Exception):
    """The file could not be written; GDAL's own messages have been passed on already."""


def segment_file_driver():
    driver = ogr.GetDriverByName(DRIVER_NAME)
    if driver is None:
        raise SegmentFileError(
            "GDAL %s has no SegmentFile driver: install the coord2seg-gdal package built for "
            "this GDAL version (ogr_SegmentFile.so in GDAL's plugin folder, or in a folder named "
            "by the GDAL_DRIVER_PATH environment variable), then restart QGIS" % gdal.__version__
        )
    return driver


@contextlib.contextmanager
def gdal_messages(on_warning, on_error):
    """Hands GDAL's warnings and errors raised inside the block to the two callables, and yields
    the list of errors seen; debug messages are left out."""
    errors = []

    def handler(error_class, _number, message):
        if error_class == gdal.CE_Warning:
            on_warning(message)
        elif error_class in (gdal.CE_Failure, gdal.CE_Fatal):
            errors.append(message)
            on_error(message)

    gdal.PushErrorHandler(handler)
    try:
        yield errors
    except RuntimeError as error:
        # With the bindings' exceptions on (set by some other plugin), a failure both reaches
        # the handler and is raised here.
        if str(error) not in errors:
            errors.append(str(error))
            on_error(str(error))
    finally:
        gdal.PopErrorHandler()


def longitude_latitude_reference(wkt):
    """The coordinate system from its WKT, with coordinates given x first (longitude), as QGIS
    gives them whatever the system's official axis order; None for a layer without one."""
    if not wkt:
        return None
    srs = osr.SpatialReference()
    if srs.ImportFromWkt(wkt) != ogr.OGRERR_NONE:
        return None
    srs.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
    return srs


class SegmentFileWriter:
    """One layer being written; close() finishes the file (the driver's last warnings come then)."""

    def __init__(self, path, layer_name, srs_wkt, geometry_type, field_names):
        dataset = segment_file_driver().CreateDataSource(path)
        if dataset is None:
            raise SegmentFileError("cannot create '%s'" % path)
        srs = longitude_latitude_reference(srs_wkt)
        layer = dataset.CreateLayer(layer_name, srs, geometry_type)
        if layer is None:
            raise SegmentFileError("the SegmentFile driver refused the layer")
        # Declared as ogr2ogr declares them, so the driver says once that attributes are not
        # stored; their values never reach it, so their type is immaterial.
        for name in field_names:
            layer.CreateField(ogr.FieldDefn(name, ogr.OFTString))
        self._dataset = dataset
        self._layer = layer

    def add(self, fid, wkb):
        """Hands one feature over, its geometry as WKB (None: no geometry); False if refused."""
        feature = ogr.Feature(self._layer.GetLayerDefn())
        feature.SetFID(fid)
        if wkb is not None:
            geometry = ogr.CreateGeometryFromWkb(wkb)
            if geometry is None:
                raise SegmentFileError("feature %d: GDAL cannot read its geometry" % fid)
            feature.SetGeometryDirectly(geometry)
        return self._layer.CreateFeature(feature) == ogr.OGRERR_NONE

    def close(self):
        # The bindings close the dataset when the last reference goes: the layer's first.
        self._layer = None
        self._dataset = None
