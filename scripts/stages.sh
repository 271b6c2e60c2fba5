# Timed stages for the build and test scripts (sourced). `stage NAME CMD...`
# runs a command in the foreground; `beside NAME CMD...` starts one in the
# background, its output in build/logs, and `wait_beside` waits for it and
# shows its log should it fail. `stage_table` prints each stage's time.
stage_names=()
stage_seconds=()
beside_pid=
beside_name=
beside_log=
beside_started=

stage() {
  local name=$1 started=$SECONDS
  shift
  echo "== $name"
  "$@"
  stage_names+=("$name")
  stage_seconds+=($((SECONDS - started)))
}

beside() {
  beside_name=$1
  shift
  mkdir -p build/logs
  beside_log=build/logs/${beside_name//[^A-Za-z0-9]/_}.log
  beside_started=$SECONDS
  echo "== $beside_name (beside the next stage, log in $beside_log)"
  "$@" >"$beside_log" 2>&1 &
  beside_pid=$!
}

wait_beside() {
  if ! wait "$beside_pid"; then
    tail -40 "$beside_log" >&2
    echo "$beside_name failed; its log is $beside_log" >&2
    exit 1
  fi
  stage_names+=("$beside_name (beside)")
  stage_seconds+=($((SECONDS - beside_started)))
}

stage_table() {
  local i total=0
  echo
  printf '%-36s %6s\n' stage seconds
  for i in "${!stage_names[@]}"; do
    printf '%-36s %6d\n' "${stage_names[$i]}" "${stage_seconds[$i]}"
  done
  printf '%-36s %6d\n' "whole run" "$SECONDS"
}
