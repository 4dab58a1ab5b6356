#!/usr/bin/env bash
# Merges the app_info.xml files of several platforms into one: the app once,
# each file once (the poster is every platform's), every app_version.
# Usage: scripts/release/merge_app_info.sh APP_INFO... > app_info.xml
set -euo pipefail
awk '
    FNR == 1 { file++ }
    /<app_info>|<\/app_info>/ { next }
    /<app>/ { in_app = 1; app = "" }
    in_app { app = app $0 "\n"; if (/<\/app>/) { in_app = 0; if (file == 1) apps = app }; next }
    /<file_info>/ { in_file = 1; block = ""; name = "" }
    in_file {
        block = block $0 "\n"
        if (/<name>/) { name = $0; gsub(/.*<name>|<\/name>.*/, "", name) }
        if (/<\/file_info>/) { in_file = 0; if (!(name in seen)) { seen[name] = 1; files = files block } }
        next
    }
    { versions = versions $0 "\n" }
    END { printf "<app_info>\n%s%s%s</app_info>\n", apps, files, versions }
' "$@"
