#!/usr/bin/env bash
# Sets everything up, builds, and starts the address book.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
if [ ! -x build/program/varelo ]; then
  echo "run.sh: the build finished without build/program/varelo; see the build output above." >&2
  exit 1
fi
exec build/program/varelo "$@"
