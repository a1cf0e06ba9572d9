#!/usr/bin/env bash
# `make run`: not ready yet.
echo "The panel is not built yet: \`make run\` will start the recognition service and the panel once they exist." >&2
echo "\`make test\` builds everything there is and runs its tests." >&2
exit 1
