#!/usr/bin/env bash
# The main job end to end: publishes a synthetic game as base version 50 and version 57 on a
# local update host (nginx on 127.0.0.1:8080), then installs, checks and repairs a player's
# game folder with the headless patcher.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/nginx/nginx.sh

say() { printf '\n== %s\n' "$*"; }

say "Installing dependencies"
bash scripts/setup-deps.sh

build=build/demo
say "Building the patcher and the operator tools in $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUSKMERE_BUILD_TESTS=OFF \
  -DDUSKMERE_BUILD_DESKTOP=OFF >/dev/null
cmake --build "$build" --target duskmere-patch duskmere-publish duskmere-demo-game

tools="$build/tools"
patch_tool=$(find "$build" -type f -name duskmere-patch -perm -u+x | head -n 1)
publish_tool=$(find "$tools" -type f -name duskmere-publish -perm -u+x | head -n 1)
game_tool=$(find "$tools" -type f -name duskmere-demo-game -perm -u+x | head -n 1)
key="$build/keys/dev_private.pem"
work="$(pwd)/$build/demo-data"
root="$work/autopatcher"

say "Making the demo game (versions 50 and 57) and publishing it"
rm -rf "$work"
mkdir -p "$work"
"$game_tool" --out "$work/game-50" --version 50 --base-version 50
"$game_tool" --out "$work/game-57" --version 57 --base-version 50
"$publish_tool" files --key "$key" --source "$work/game-50" --out "$root" --version 50 --base
"$publish_tool" files --key "$key" --source "$work/game-57" --out "$root" --version 57
"$publish_tool" latest --key "$key" --out "$root" --game-version 57 --base-version 50

prefix="$work/nginx"
trap 'nginx_stop "$prefix"' EXIT
say "Serving $root as http://127.0.0.1:8080/autopatcher (logs in $prefix)"
nginx_start "$prefix" "$root" 8080

player="$work/player/Duskmere"
say "First run into an empty folder: install version 50, then update to 57"
"$patch_tool" --game-path "$player"

say "Second run: nothing to do"
"$patch_tool" --game-path "$player"

victim=$(cd "$player" && find . -type f -name '*.pak' | sort | head -n 1)
say "Damaging ${victim#./} and repairing the folder"
printf 'damaged' | dd of="$player/$victim" bs=1 seek=100 conv=notrunc status=none
"$patch_tool" --repair --game-path "$player"
cmp "$player/$victim" "$work/game-57/$victim"
echo "${victim#./} is whole again."

say "Stopping the update host"
nginx_stop "$prefix"
trap - EXIT
echo "Demo finished."
