# Sourced by the set-up scripts. need_packages WHO PACKAGE... installs the
# Debian packages of the list that are missing: as root, or through sudo.
need_packages() {
  local who="$1" p sudo=""
  shift
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "$who: missing packages: ${missing[*]} (run as root to install them)" >&2
      return 1
    fi
    sudo=sudo
  fi
  echo "$who: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update && $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}
