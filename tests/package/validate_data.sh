#!/usr/bin/env bash
# Validates the desktop entry and the metainfo with the tools a distribution checks them with.
set -euo pipefail
data=$1
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
desktop-file-validate "$data/quorrix.desktop"
appstreamcli validate --no-net "$data/org.quorrix.Quorrix.metainfo.xml"
