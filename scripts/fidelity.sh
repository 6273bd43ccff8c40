#!/usr/bin/env bash
# The fidelity table: fetches the corpus (scripts/corpus.sh), then scripts/fidelity.py (Debian's python3, which has the modules) with the
# arguments given (--subset, --check, --width PX, --jobs N, --vemo PATH, --quiet; --help).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/corpus.sh"
exec /usr/bin/python3 "$root/scripts/fidelity.py" "$@"
