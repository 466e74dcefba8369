# Sourced by the test scripts: stage NAME COMMAND... runs the command with its output in
# build/logs/NAME.log and prints one line: the output's last line that counts tests passed, else
# its last line; on failure the log's end.
stage() {
    local name=$1 status=0
    shift
    local log="build/logs/${name// /-}.log"
    mkdir -p build/logs
    "$@" >"$log" 2>&1 </dev/null || status=$?
    if [ "$status" -eq 0 ]; then
        local summary
        summary=$(grep -ai 'passed' "$log" | tail -n 1 || true)
        [ -n "$summary" ] || summary=$(grep -av '^\s*$' "$log" | tail -n 1 || true)
        printf '%-30s %s\n' "$name:" "$summary"
    else
        echo "$name: FAILED with exit status $status; the end of $log:"
        tail -n 80 "$log"
    fi
    return "$status"
}

# Configures and builds a preset, warnings as errors in CI.
build() {
    cmake --preset "$1" -DTESSAL_WERROR="${CI:+ON}" && cmake --build --preset "$1" && echo built
}
