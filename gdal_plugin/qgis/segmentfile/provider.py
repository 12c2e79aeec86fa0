# The plugin's Processing provider, holding the export algorithm.
# SPDX-License-Identifier: MIT
"""The Processing provider "segmentfile", which holds the export algorithm."""

from qgis.core import QgsProcessingProvider

from .export_algorithm import ExportToSegmentFile


class SegmentFileProvider(QgsProcessingProvider):
    def id(self):
        return "segmentfile"

    def name(self):
        return "Segment file"

    def longName(self):  # noqa: N802
        return "Segment file (coord2seg)"

    def loadAlgorithms(self):  # noqa: N802
        self.addAlgorithm(ExportToSegmentFile())
