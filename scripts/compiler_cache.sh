# Sourced by the build scripts: with ccache installed, sources compiled
# before (in this clone or another, wherever it lies) are not compiled again.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  # Paths inside the tree count relative to its root, so every clone shares
  # the cache; the directory a compile runs in is no part of its result.
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
  # The tests' precompiled headers are cached too.
  export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
fi
