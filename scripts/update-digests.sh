#!/usr/bin/env bash
# Stores the output digests of both document converters anew, after an
# output change that is intended: builds the check, runs it in its writing
# mode, and shows what changed. Commit tests/digests/ with a message that
# says why the output changed.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native -j "${JOBS:-2}" --target output_digests
FILTERS_UPDATE_DIGESTS=1 FILTERS_CORPUS_DIR="$PWD/../shared/corpus" build/native/tests/output_digests
git diff --stat -- tests/digests
