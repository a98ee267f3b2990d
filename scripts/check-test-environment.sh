#!/usr/bin/env bash
# Fails when any test that ctest would run lacks an entry of the test environment or its
# timeout. The entries come from the build folder's test-environment.txt, written by
# cmake/Tollivan.cmake from the same list it gives the tests, so the two cannot drift.
# Usage: scripts/check-test-environment.sh <build folder>
set -euo pipefail
build=$1
need=$(jq -R . "$build/test-environment.txt" | jq -s -c .)
json=$(ctest --test-dir "$build" --show-only=json-v1)
count=$(jq '.tests | length' <<< "$json")
missing=$(jq -r --argjson need "$need" '
    .tests[]
    | ([.properties[]? | select(.name == "ENVIRONMENT") | .value[]]
       + [.properties[]? | select(.name == "TIMEOUT") | "TIMEOUT=\(.value)"]) as $has
    | ($need - $has) as $lack
    | select($lack | length > 0)
    | "\(.name): lacks \($lack | join(", "))"' <<< "$json")
if [ "$count" -eq 0 ] || [ -n "$missing" ]; then
    echo "Tests without their whole environment (cmake/Tollivan.cmake, tv_test_environment):" >&2
    [ "$count" -eq 0 ] && echo "  ctest lists no tests in $build" >&2
    head -n 20 <<< "$missing" | sed 's/^/  /' >&2
    exit 1
fi
echo "all $count tests carry the test environment and timeout"
