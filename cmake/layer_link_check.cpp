// Linked with one layer's whole library and the layers it may use: it builds only when the layer
// needs nothing else.
// SPDX-License-Identifier: MIT
int main() { return 0; }
