# Starts and stops an nginx update host on loopback; sourced by the demo and the benchmarks.
#   nginx_start PREFIX ROOT PORT   serves ROOT as http://127.0.0.1:PORT/autopatcher/
#   nginx_stop PREFIX

nginx_start() {
  local prefix=$1 root=$2 port=$3
  local here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  mkdir -p "$prefix"
  local user_line=""
  if [ "$(id -u)" -eq 0 ]; then user_line="user $(id -un) $(id -gn);"; fi
  sed -e "s|@PREFIX@|$prefix|g" -e "s|@ROOT@|$root|g" -e "s|@PORT@|$port|g" \
      -e "s|@USER_LINE@|$user_line|" "$here/update-host.conf.in" > "$prefix/nginx.conf"
  nginx_stop "$prefix"
  /usr/sbin/nginx -p "$prefix" -c "$prefix/nginx.conf" -e "$prefix/error.log" &
  local tries=0
  until curl -s -o /dev/null "http://127.0.0.1:$port/"; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ]; then
      echo "nginx did not start; see $prefix/error.log" >&2
      return 1
    fi
    sleep 0.1
  done
}

nginx_stop() {
  local prefix=$1
  if [ -f "$prefix/nginx.pid" ]; then
    local pid
    pid=$(cat "$prefix/nginx.pid")
    kill "$pid" 2>/dev/null || true
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
    rm -f "$prefix/nginx.pid"
  fi
}
