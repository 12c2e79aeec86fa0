# Writes examples/islands.txt: outlines of imaginary islands for the segdump picture.
#   awk -f examples/make_islands.awk > examples/islands.txt
# Its own random generator (MINSTD), so every awk writes the same file.
# SPDX-License-Identifier: MIT
function next_random() {
  state = (state * 48271) % 2147483647
  return state / 2147483647
}
function between(low, high) { return low + (high - low) * next_random() }

# One closed outline around (lon0, lat0) with a mean radius in degrees of latitude.
function island(lon0, lat0, radius, steps,    k, i, theta, r, lon, lat, amp, phase, first) {
  for (k = 2; k <= 9; k++) {
    amp[k] = between(0, 0.5) / k
    phase[k] = between(0, 6.2832)
  }
  printf "# island at %.1f %.1f\n", lon0, lat0
  for (i = 0; i <= steps; i++) {
    theta = (i % steps) * 6.2832 / steps
    r = 1
    for (k = 2; k <= 9; k++) r += amp[k] * sin(k * theta + phase[k])
    r *= radius
    lat = lat0 + r * sin(theta)
    lon = lon0 + r * cos(theta) / cos(lat0 * 3.14159265 / 180)
    if (lon >= 180) lon -= 360  # keeps outlines that cross the edge of the map in range
    if (lon < -180) lon += 360
    printf "%.4f %.4f\n", lon, lat
  }
}

BEGIN {
  state = 20261208
  island(-100, 45, 18, 240)
  island(-60, -15, 16, 240)
  island(20, 50, 14, 200)
  island(25, 5, 20, 240)
  island(95, 40, 22, 240)
  island(135, -25, 13, 200)
  island(178, -40, 6, 120)  # across the edge of the map
  island(-40, 72, 9, 160)
  for (n = 0; n < 18; n++) island(between(-180, 180), between(-60, 65), between(0.8, 3), 48)
  print "# a lone rock"
  print "-30.5 -48.25"
}
