# The QGIS plugin Segment File Export: QGIS's entry point.
# SPDX-License-Identifier: MIT
"""QGIS plugin: exports vector layers as segment files through GDAL's SegmentFile driver."""


def classFactory(iface):  # noqa: N802 (the name QGIS calls)
    """The entry point QGIS calls when it loads the plugin."""
    from .plugin import SegmentFilePlugin

    return SegmentFilePlugin()
