# Timed stages for the build and test scripts (sourced). `stage NAME CMD...`
# runs a command in the foreground; `beside NAME CMD...` starts one in the
# background, its output in build/logs, and `wait_beside` waits for all of
# them and shows the log of one that failed. `stage_table` prints each stage's time.
stage_names=()
stage_seconds=()
beside_pids=()
beside_names=()
beside_logs=()
beside_starts=()

stage() {
  local name=$1 started=$SECONDS
  shift
  echo "== $name"
  "$@"
  stage_names+=("$name")
  stage_seconds+=($((SECONDS - started)))
}

beside() {
  local name=$1 log
  shift
  mkdir -p build/logs
  log=build/logs/${name//[^A-Za-z0-9]/_}.log
  echo "== $name (beside the next stages, log in $log)"
  "$@" >"$log" 2>&1 &
  beside_pids+=($!)
  beside_names+=("$name")
  beside_logs+=("$log")
  beside_starts+=("$SECONDS")
}

wait_beside() {
  local i
  for i in "${!beside_pids[@]}"; do
    if ! wait "${beside_pids[$i]}"; then
      tail -40 "${beside_logs[$i]}" >&2
      echo "${beside_names[$i]} failed; its log is ${beside_logs[$i]}" >&2
      exit 1
    fi
    stage_names+=("${beside_names[$i]} (beside)")
    stage_seconds+=($((SECONDS - beside_starts[$i])))
  done
  beside_pids=() beside_names=() beside_logs=() beside_starts=()
}

# within SECONDS CMD...: the command, stopped and failed if it runs longer,
# so a hung test ends the run instead of using up its time.
within() {
  local limit=$1 rc=0
  shift
  timeout --kill-after=15 "$limit" "$@" || rc=$?
  if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    echo "$* did not finish within $limit s" >&2
  fi
  return "$rc"
}

# A command whose output is of no interest unless it fails (errors go to
# standard error all the same).
quietly() { "$@" >/dev/null; }

stage_table() {
  echo
  printf '%-36s %6s\n' stage seconds
  for i in "${!stage_names[@]}"; do
    printf '%-36s %6d\n' "${stage_names[$i]}" "${stage_seconds[$i]}"
  done
  printf '%-36s %6d\n' "whole run" "$SECONDS"
}
