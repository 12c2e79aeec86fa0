# Installs the Debian packages among its arguments that are missing, with the apt-get options
# given first (apt-get update once, and only when something is missing). Scripts that run at the
# same time take turns, so that no apt-get finds the package database locked. Sourced by CI's
# scripts:
#   source .ci/install_missing.sh; install_missing [--no-install-recommends] PACKAGE...
# SPDX-License-Identifier: MIT
install_missing() {
  local options=() missing=() package lock status=0
  while [[ ${1:-} == -* ]]; do
    options+=("$1")
    shift
  done
  for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  exec {lock}>"${TMPDIR:-/tmp}/coord2seg-install-missing.lock"
  flock "$lock"
  [ -n "${COORD2SEG_APT_UPDATED:-}" ] || { apt-get update -qq && export COORD2SEG_APT_UPDATED=1; } ||
    status=$?
  [ "$status" -ne 0 ] ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${options[@]}" "${missing[@]}" ||
    status=$?
  exec {lock}>&-
  return "$status"
}
