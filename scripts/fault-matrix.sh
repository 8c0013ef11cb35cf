#!/usr/bin/env bash
# Runs the fault matrix (tests/faults) and writes its table into docs/reliability.md,
# between the fault-matrix markers. Needs a build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target faults_test_fault_matrix
table=$(mktemp)
VELTRO_FAULT_TABLE="$table" build/bin/faults_test_fault_matrix --gtest_brief=1 || true
python3 - "$table" docs/reliability.md <<'PY'
import sys
table = open(sys.argv[1], encoding="utf-8").read()
path = sys.argv[2]
text = open(path, encoding="utf-8").read()
begin, end = "<!-- fault-matrix -->\n", "<!-- /fault-matrix -->"
head, rest = text.split(begin, 1)
_, tail = rest.split(end, 1)
open(path, "w", encoding="utf-8").write(head + begin + table + end + tail)
PY
rm -f "$table"
echo "docs/reliability.md: fault matrix updated"
