# Check bookkeeping for the shell tests: source it after setting `work` to a
# scratch folder. check DESCRIPTION COMMAND... runs one check quietly, tells
# how it went and, when it failed, shows what the command printed.
failures=0

check() {
    local description=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        echo "ok - $description"
    else
        echo "FAILED - $description"
        sed 's/^/    /' "$work/out"
        failures=$((failures + 1))
    fi
}
