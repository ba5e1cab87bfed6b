# Sourced by the build and test scripts: installs Debian packages that are missing, when root.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]}" >&2
    echo "install them with: sudo apt-get install ${missing[*]}" >&2
    return 1
  fi
  for pkg in "${missing[@]}"; do
    if [[ "$pkg" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
      DORVANE_APT_UPDATED=
    fi
  done
  if [ -z "${DORVANE_APT_UPDATED:-}" ]; then
    apt-get update -q
    DORVANE_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
