#!/usr/bin/env bash
# Starts the configurator in a demo folder.
set -euo pipefail
build=${1:-build/release}
demo=demo
mkdir -p "$demo"
cd "$demo"
exec "../$build/gui/tavrin" "$@"
