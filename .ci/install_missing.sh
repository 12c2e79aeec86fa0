# Installs the Debian packages among its arguments that are missing, with the apt-get options
# given first (apt-get update once, and only when something is missing). Scripts that run at the
# same time take turns, so that no apt-get finds the package database locked; with_apt_lock runs
# any other apt-get command in the same turns. Sourced by CI's scripts:
#   source .ci/install_missing.sh; install_missing [--no-install-recommends] PACKAGE...
#   with_apt_lock COMMAND...
# SPDX-License-Identifier: MIT
apt_lock_file="${TMPDIR:-/tmp}/coord2seg-install-missing.lock"
with_apt_lock() {
  local lock status=0
  exec {lock}>"$apt_lock_file"
  flock "$lock"
  "$@" || status=$?
  exec {lock}>&-
  return "$status"
}
# apt-get update, once a run, then apt-get install with the given options and packages.
update_and_install() {
  if [ -z "${COORD2SEG_APT_UPDATED:-}" ]; then
    apt-get update -qq || return
    export COORD2SEG_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@"
}
install_missing() {
  local options=() missing=() package
  while [[ ${1:-} == -* ]]; do
    options+=("$1")
    shift
  done
  for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  with_apt_lock update_and_install "${options[@]}" "${missing[@]}"
}
