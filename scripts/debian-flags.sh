# Sourced by scripts/package.sh and scripts/test.sh: exports Debian's own
# compiler and linker flags (optimisation, hardening), with which the
# packages are built.
cppflags=$(dpkg-buildflags --get CPPFLAGS)
CFLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CFLAGS CXXFLAGS LDFLAGS
unset cppflags
