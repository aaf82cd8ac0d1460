#!/usr/bin/env bash
# Benchmarks the headless patcher against what a player could run by hand on the same update
# host: nginx on loopback serving a synthetic game.
#
#   bash bench/run.sh [--quick] [--runs N] [--port P] [--total-mb N] [--files N]
#                     [--small-files N] [--small-mb N] [--keep]
#
# (a) full install into an empty folder   vs  one curl over one connection + sha256sum -c + gzip -d
# (b) --repair of an intact folder        vs  cat of the listed files, and cksum of them
# (c) install of many small files         vs  one curl over one connection
# (d) peak resident memory of (a)
# Every figure is the median of --runs timed runs made in this invocation (warm page cache).
set -euo pipefail
# Read whole before it runs, so that editing the file cannot change a run in progress.
{
cd "$(dirname "$0")/.."
repo=$(pwd)
source scripts/nginx/nginx.sh

runs=3
port=18080
total_mb=200
files=300
small_files=5000
small_mb=20
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) total_mb=40 files=120 small_files=1000 small_mb=4 runs=1 ;;
    --runs) runs=$2; shift ;;
    --port) port=$2; shift ;;
    --total-mb) total_mb=$2; shift ;;
    --files) files=$2; shift ;;
    --small-files) small_files=$2; shift ;;
    --small-mb) small_mb=$2; shift ;;
    --keep) keep=1 ;;
    --help | -h) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done

say() { printf '\n== [%ss] %s\n' "$SECONDS" "$*" >&2; }

say "Dependencies"
bash scripts/setup-deps.sh

build="$repo/build/bench"
say "Building the patcher and the operator tools (Release) in build/bench"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDUSKMERE_BUILD_TESTS=OFF \
  -DDUSKMERE_BUILD_DESKTOP=OFF >/dev/null
cmake --build "$build" -j2 --target duskmere-patch duskmere-publish duskmere-demo-game >&2
patch_tool=$(find "$build/tools" -type f -name duskmere-patch -perm -u+x | head -n 1)
publish_tool=$(find "$build/tools" -type f -name duskmere-publish -perm -u+x | head -n 1)
game_tool=$(find "$build/tools" -type f -name duskmere-demo-game -perm -u+x | head -n 1)
key="$build/keys/dev_private.pem"
for needed in "$patch_tool" "$publish_tool" "$game_tool" "$key"; do
  [ -n "$needed" ] && [ -e "$needed" ] || { echo "run.sh: build output missing" >&2; exit 1; }
done

# The published host is kept between invocations for the same sizes and tool builds: making
# and compressing a 200 MB game takes minutes on a small machine, measuring it does not.
stamp=$(cat "$game_tool" "$publish_tool" "$key" | sha256sum | cut -c1-16)
cache="$build/bench-host-$total_mb-$files-$small_files-$small_mb"
work="$build/bench-data"
root="$cache/autopatcher"
prefix="$work/nginx"
host="127.0.0.1:$port"
base_url="http://$host/autopatcher"
rm -rf "$work"
mkdir -p "$work"
cleanup() {
  nginx_stop "$prefix"
  if [ "$keep" -eq 0 ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Two games on one host: the full one as version 50 and the small-file one as version 60. Each
# is published as a base package (what an install fetches); the same signed list also serves
# as its version's list (what a repair checks). The version record is rewritten to point at
# the game being measured.
version_full=50
version_small=60
if [ "$(cat "$cache/stamp" 2>/dev/null)" != "$stamp" ]; then
  say "Making the games (${total_mb} MB in ${files} files; ${small_mb} MB in ${small_files} files) and publishing them"
  rm -rf "$cache"
  mkdir -p "$cache"
  "$game_tool" --out "$cache/game-full" --version $version_full --base-version $version_full \
    --files "$files" --total-mb "$total_mb" >&2
  "$game_tool" --out "$cache/game-small" --version $version_small \
    --base-version $version_small --files "$small_files" --total-mb "$small_mb" >&2
  for pair in "full $version_full" "small $version_small"; do
    read -r name version <<<"$pair"
    "$publish_tool" files --key "$key" --source "$cache/game-$name" --out "$root" \
      --version "$version" --base >&2
    cp -al "$root/base/$version" "$root/$version"
  done
  echo "$stamp" >"$cache/stamp"
else
  say "Reusing the games published in $cache"
fi
publish_latest() {
  "$publish_tool" latest --key "$key" --out "$root" --game-version "$1" --base-version "$1" >&2
}

say "Serving $root as $base_url"
nginx_start "$prefix" "$root" "$port"

# --- measuring helpers -------------------------------------------------------------------

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END {
  if (NR % 2) printf "%.3f", v[(NR + 1) / 2]; else printf "%.3f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The listed files of a published list: "path<TAB>...<TAB>sha256" lines.
list_paths() { awk -F'\t+' 'NF >= 5 { print $1 }' "$1"; }

# A curl config that fetches every package of LIST_DIR into OUT over one connection.
curl_config() {
  local list_dir=$1 out=$2 url_base=$3
  awk -F'\t+' -v url="$url_base" -v out="$out" 'NF >= 5 {
    printf "url = \"%s/files/%s.gz\"\noutput = \"%s/%s.gz\"\n", url, $1, out, $1 }' \
    "$list_dir/checksums.txt"
}

# The package digests in sha256sum's format, relative to the install folder.
sha_list() {
  awk -F'\t+' 'NF >= 5 { printf "%s  %s.gz\n", substr($5, 1, 64), $1 }' "$1/checksums.txt"
}

# Runs curl on a config; fails unless every transfer succeeded over a single connection.
fetch_with_curl() {
  local config=$1 connections
  connections=$(curl --silent --show-error --fail --create-dirs --config "$config" \
    --write-out '%{num_connects}\n' | awk '{ s += $1 } END { print s + 0 }')
  if [ "$connections" -ne 1 ]; then
    echo "run.sh: curl opened $connections connections, expected 1" >&2
    return 1
  fi
}

reference_install() {
  local out=$1 list_dir=$2 url_base=$3
  mkdir -p "$out"
  curl_config "$list_dir" "$out" "$url_base" >"$work/curl.cfg"
  sha_list "$list_dir" >"$work/sha256.txt"
  fetch_with_curl "$work/curl.cfg"
  (cd "$out" && sha256sum --check --quiet --strict "$work/sha256.txt")
  (cd "$out" && find . -type f -name '*.gz' -print0 | xargs -0 gzip -d)
}

patch_install() {
  "$patch_tool" --game-path "$1" --update-host "$host" >>"$work/patch.log" 2>&1
}

# Both ways must produce exactly the published game (the patcher adds its own files beside it).
same_as_source() {
  local folder=$1 source=$2 problems
  problems=$(diff --recursive --brief "$source" "$folder" | grep -v "^Only in $folder" || true)
  if [ -n "$problems" ]; then
    echo "run.sh: $folder is not the published game:" >&2
    echo "$problems" | head -n 5 >&2
    return 1
  fi
}

# Peak resident set size in KiB of a command and its children (GNU time).
peak_kib() {
  local report="$work/time.txt"
  /usr/bin/time -v -o "$report" "$@" >/dev/null 2>>"$work/patch.log"
  awk -F': ' '/Maximum resident set size/ { print $2 }' "$report"
}

results=()
add_result() { results+=("$1|$2|$3|$4"); }

# --- (a) full install --------------------------------------------------------------------

publish_latest $version_full
full_list="$root/base/$version_full"
say "(a) full install, $runs run(s) each"
patch_times="" reference_times=""
for ((run = 1; run <= runs; run++)); do
  rm -rf "$work/patched" "$work/reference"
  start=$(now); patch_install "$work/patched"; stop=$(now)
  patch_times+=" $(elapsed "$start" "$stop")"
  start=$(now); reference_install "$work/reference" "$full_list" "$base_url/base/$version_full"
  stop=$(now)
  reference_times+=" $(elapsed "$start" "$stop")"
  echo "  run $run: duskmere-patch ${patch_times##* } s, reference ${reference_times##* } s" >&2
done
same_as_source "$work/patched" "$cache/game-full"
same_as_source "$work/reference" "$cache/game-full"
add_result "(a) full install, ${total_mb} MB / ${files} files (s)" \
  "$(median <<<"$patch_times")" "$(median <<<"$reference_times")" "curl+sha256sum+gzip"

# --- (b) verify-only ---------------------------------------------------------------------

say "(b) verify an intact folder, $runs run(s) each"
list_paths "$root/$version_full/checksums.txt" | tr '\n' '\0' >"$work/paths.bin"
patch_times="" cat_times="" cksum_times=""
for ((run = 1; run <= runs; run++)); do
  start=$(now)
  "$patch_tool" --repair --game-path "$work/patched" --update-host "$host" >>"$work/patch.log" 2>&1
  stop=$(now)
  patch_times+=" $(elapsed "$start" "$stop")"
  start=$(now); (cd "$work/patched" && xargs -0 cat <"$work/paths.bin" >/dev/null); stop=$(now)
  cat_times+=" $(elapsed "$start" "$stop")"
  start=$(now); (cd "$work/patched" && xargs -0 cksum <"$work/paths.bin" >/dev/null); stop=$(now)
  cksum_times+=" $(elapsed "$start" "$stop")"
done
patch_verify=$(median <<<"$patch_times")
add_result "(b) --repair of intact folder (s)" "$patch_verify" "$(median <<<"$cat_times")" "cat"
add_result "(b) --repair of intact folder (s)" "$patch_verify" "$(median <<<"$cksum_times")" "cksum"

# --- (d) peak memory of (a) --------------------------------------------------------------

say "(d) peak memory of the full install"
rm -rf "$work/patched" "$work/reference"
patch_kib=$(peak_kib "$patch_tool" --game-path "$work/patched" --update-host "$host")
mkdir -p "$work/reference"
curl_config "$full_list" "$work/reference" "$base_url/base/$version_full" >"$work/curl.cfg"
sha_list "$full_list" >"$work/sha256.txt"
curl_kib=$(peak_kib curl --silent --show-error --fail --create-dirs --config "$work/curl.cfg")
sha_kib=$(cd "$work/reference" && peak_kib sha256sum --check --quiet --strict "$work/sha256.txt")
gzip_kib=$(cd "$work/reference" && peak_kib bash -c \
  "find . -type f -name '*.gz' -print0 | xargs -0 gzip -d")
reference_kib=$(printf '%s\n' "$curl_kib" "$sha_kib" "$gzip_kib" | sort -n | tail -n 1)
add_result "(d) peak RSS of (a) (MiB)" "$(awk -v k="$patch_kib" 'BEGIN { printf "%.1f", k / 1024 }')" \
  "$(awk -v k="$reference_kib" 'BEGIN { printf "%.1f", k / 1024 }')" \
  "largest of curl $((curl_kib / 1024)), sha256sum $((sha_kib / 1024)), gzip $((gzip_kib / 1024)) MiB"

# --- (c) many small files ----------------------------------------------------------------

publish_latest $version_small
small_list="$root/base/$version_small"
say "(c) install of ${small_files} small files, $runs run(s) each"
curl_config "$small_list" "$work/fetched" "$base_url/base/$version_small" >"$work/curl-small.cfg"
patch_times="" curl_times=""
for ((run = 1; run <= runs; run++)); do
  rm -rf "$work/patched-small" "$work/fetched"
  start=$(now); patch_install "$work/patched-small"; stop=$(now)
  patch_times+=" $(elapsed "$start" "$stop")"
  start=$(now); fetch_with_curl "$work/curl-small.cfg"; stop=$(now)
  curl_times+=" $(elapsed "$start" "$stop")"
  echo "  run $run: duskmere-patch ${patch_times##* } s, curl ${curl_times##* } s" >&2
done
same_as_source "$work/patched-small" "$cache/game-small"
add_result "(c) install, ${small_files} small files / ${small_mb} MB (s)" \
  "$(median <<<"$patch_times")" "$(median <<<"$curl_times")" "curl"

# --- report ------------------------------------------------------------------------------

say "Results (median of $runs run(s); ratio = duskmere-patch / reference)"
printf '%-44s %14s %12s %7s  %s\n' "benchmark" "duskmere-patch" "reference" "ratio" "reference is"
while IFS='|' read -r name patch reference what; do
  ratio=$(awk -v p="$patch" -v r="$reference" 'BEGIN { if (r > 0) printf "%.2f", p / r; else print "-" }')
  printf '%-44s %14s %12s %7s  %s\n' "$name" "$patch" "$reference" "$ratio" "$what"
done < <(printf '%s\n' "${results[@]}" | sort -s -t'|' -k1,1)
printf '\nmachine: %s cores, %s, %s memory\n' "$(nproc)" \
  "$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)" \
  "$(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
exit
}
