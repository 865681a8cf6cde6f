#!/usr/bin/env bash
# Times the numeric peers (numpy/scipy) beside the engine's benchmark results: installs Debian's
# python3-numpy, python3-scipy and python3-pandas when missing, then runs peers.py with the JSON files given.
set -euo pipefail
python=/usr/bin/python3
if ! "$python" -c 'import numpy, scipy, pandas' 2>/dev/null; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "peers: python3-numpy, python3-scipy or python3-pandas is missing; install them as root" >&2
    exit 1
  fi
  apt-get install -y -qq python3-numpy python3-scipy python3-pandas >/dev/null ||
    { apt-get update -qq && apt-get install -y -qq python3-numpy python3-scipy python3-pandas >/dev/null; }
fi
exec "$python" "$(dirname "$0")/peers.py" "$@"
