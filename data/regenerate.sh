#!/usr/bin/env bash
# Regenerates data/dict/*.dict from the source packages pinned in
# data/sources.lock; the result is byte-identical for the same pins.
#
#   bash data/regenerate.sh [CACHE_DIR]
#
# Needs python3, dpkg-deb, apt-get, npm and libime-bin (for its two dump
# tools). The downloads go to CACHE_DIR (see data/fetch-sources.sh), never
# into the repository.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
for tool in python3 dpkg-deb libime_tabledict libime_pinyindict; do
  command -v "$tool" >/dev/null || {
    echo "regenerate: $tool not found (libime-bin provides the libime_* tools)" >&2
    exit 1
  }
done
cache="$(bash "$here/fetch-sources.sh" "$@" | tail -n 1)"
# Fixed hashing and locale, although the generator sorts everything it writes.
PYTHONHASHSEED=0 LC_ALL=C.UTF-8 python3 "$here/generate.py" --sources "$cache/tree" --out "$here/dict"
