# apt helpers shared by cmake/packages.sh and cmake/deps.sh (sourced; defines functions only).

log() { printf '[deps] %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

apt_updated=0
apt_update_once() {
  if [ "$apt_updated" -eq 0 ]; then
    log "apt-get update"
    as_root apt-get update -qq >/dev/null
    apt_updated=1
  fi
}

