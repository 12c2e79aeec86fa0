# The QGIS plugin: adds its Processing provider when loaded.
# SPDX-License-Identifier: MIT
"""The plugin object: it adds the Processing provider and takes it away on unload."""

from qgis.core import QgsApplication

from .provider import SegmentFileProvider


class SegmentFilePlugin:
    def __init__(self):
        self.provider = None

    def initProcessing(self):  # noqa: N802
        """Called by QGIS alone when only Processing is wanted (qgis_process, headless use)."""
        if self.provider is None:
            self.provider = SegmentFileProvider()
            QgsApplication.processingRegistry().addProvider(self.provider)

    def initGui(self):  # noqa: N802
        self.initProcessing()

    def unload(self):
        if self.provider is not None:
            QgsApplication.processingRegistry().removeProvider(self.provider)
            self.provider = None
