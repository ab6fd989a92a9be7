# Test servers that the Wine tests and the demo talk to (all on 127.0.0.1).
#
# Each service is a file scripts/lib/services.d/NAME.sh that defines NAME_start and NAME_stop and
# calls `register_service NAME`. NAME_start runs after the build, with BUILD (the build folder) and
# SERVICE_DIR (an empty folder of its own under $BUILD/services) set; it must return only once the
# server answers, and export what the tests need to find it (e.g. a port in PELMORA_..._PORT).
# NAME_stop must stop everything NAME_start started and wait for it to end; it runs on every exit.

SERVICES=()
STARTED_SERVICES=()

register_service() { SERVICES+=("$1"); }

for _service_file in "$(dirname "${BASH_SOURCE[0]}")"/services.d/*.sh; do
  [ -e "$_service_file" ] && . "$_service_file"
done
unset _service_file

start_services() {
  local name
  for name in "${SERVICES[@]}"; do
    SERVICE_DIR=$BUILD/services/$name
    rm -rf "$SERVICE_DIR" && mkdir -p "$SERVICE_DIR"
    STARTED_SERVICES+=("$name")
    "${name}_start" || { printf 'error: service %s did not start\n' "$name" >&2; return 1; }
  done
}

# Stops in reverse order of start; safe to call twice.
stop_services() {
  local i name
  for ((i = ${#STARTED_SERVICES[@]} - 1; i >= 0; i--)); do
    name=${STARTED_SERVICES[i]}
    SERVICE_DIR=$BUILD/services/$name
    "${name}_stop" || printf 'warning: service %s did not stop cleanly\n' "$name" >&2
  done
  STARTED_SERVICES=()
}
