#!/usr/bin/env bash
# Fails when an include in core runs against the layers: each core folder's
# README.md names the folders it may include ("May include: ..."), and a
# family's folder (families/X, editor/X) never includes another family's.
set -euo pipefail
cd "$(dirname "$0")/../core"
status=0
for readme in */README.md; do
    folder=${readme%/README.md}
    allowed=$(sed -n 's/^May include: //p' "$readme" | tr -d ' ' | tr ',' ' ')
    if [ -z "$allowed" ]; then
        echo "check-layers: $readme has no 'May include:' line"
        status=1
        continue
    fi
    while IFS= read -r hit; do
        file=${hit%%:*}
        target=$(printf '%s' "$hit" | sed -E 's/.*#include "([^"]+)".*/\1/')
        top=${target%%/*}
        ok=0
        for a in $allowed; do [ "$a" = "$top" ] && ok=1; done
        if [ $ok -eq 0 ]; then
            echo "check-layers: $file includes $target ($folder may include: $allowed)"
            status=1
        fi
        # A family's folder reaches only its own family.
        case "$file" in
            families/*/*|editor/*/*)
                own=$(printf '%s' "$file" | cut -d/ -f2)
                case "$target" in
                    families/*/*|editor/*/*)
                        other=$(printf '%s' "$target" | cut -d/ -f2)
                        if [ "$other" != "$own" ]; then
                            echo "check-layers: $file includes another family's $target"
                            status=1
                        fi
                        ;;
                esac
                ;;
        esac
    done < <(grep -rHE '^#include "[a-z0-9_]+/' "$folder" --include='*.h' --include='*.cpp' || true)
done
[ $status -eq 0 ] && echo "check-layers: core includes follow the layers"
exit $status
