#!/usr/bin/env bash
# Who may include whom (README, Layout): prints every #include in sprox/ that
# reaches a folder its own may not use, or a platform header outside sys/, and
# fails if there is one. The standard library and include/sprox.h are open to all.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A may=([api]="api display pattern sound input blit core sys"
  [pattern]="pattern display blit core sys" [display]="display blit core sys"
  [sound]="sound blit core sys" [input]="input blit core sys" [blit]="blit" [core]="core sys"
  [sys]="sys")
bad=0
while IFS=: read -r file _ line; do
  floor=${file#sprox/}
  floor=${floor%%/*}
  if [[ $line =~ \"sprox/([a-z]+)/ ]]; then
    [[ " ${may[$floor]-} " == *" ${BASH_REMATCH[1]} "* ]] && continue
  elif [[ $floor == sys || $line == *'"sprox.h"'* ||
          $line =~ \<([a-z_]+|stdint\.h|emmintrin\.h|immintrin\.h)\> ]]; then
    continue
  fi
  echo "$file: $line" >&2
  bad=1
done < <(grep -rn '^#include' sprox --include='*.cpp' --include='*.h')
exit $bad
