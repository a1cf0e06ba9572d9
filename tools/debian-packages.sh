# What the install scripts share (sourced, not run): their messages, root rights, and which of
# a list of Debian packages are not installed yet.

say() { printf '[deps] %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Prints, one a line, those of the named packages that dpkg does not have installed.
missing_packages() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$p"
    fi
  done
}

# Installs the named packages, waiting for the package lock that other builds may hold.
install_packages() {
  as_root apt-get -o DPkg::Lock::Timeout=600 update -q >&2
  DEBIAN_FRONTEND=noninteractive as_root apt-get -o DPkg::Lock::Timeout=600 install -y -q \
    --no-install-recommends "$@" >&2
}
