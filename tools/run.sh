#!/usr/bin/env bash
# Sets everything up, builds, and starts the address book.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
if [ -x build/program/varelo ]; then
  exec build/program/varelo "$@"
fi
echo "Built everything; the address book's windows are not assembled yet, so there is no program to start."
