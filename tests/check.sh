# The checks of the shell tests, sourced by each (after scripts/wine-env.sh):
#   check DESCRIPTION EXPECTED ACTUAL   "ok: ..." or "FAIL: ..." (on stderr), remembered;
#                                       ACTUAL without the CRs of Windows programs' output
#   u8                                  CP932 text on stdin as UTF-8, without CRs
#   checks_done SUMMARY                 prints SUMMARY when all passed; exits 0 or 1
# A test that needs another comparison redefines check on top of qs_check.
qs_failed=0
# A step that ends a test through set -e names itself: some end without a word (output
# sent to /dev/null).
trap 'qs_status=$?; echo "stopped by ${BASH_SOURCE[0]##*/}:$LINENO: $BASH_COMMAND (exit $qs_status)" >&2' ERR
qs_check() {
  local actual=${3//$'\r'/}
  if [ "$2" == "$actual" ]; then echo "ok: $1"; else echo "FAIL: $1: expected [$2], got [$actual]" >&2; qs_failed=1; fi
}
check() { qs_check "$@"; }
u8() { iconv -f CP932 -t UTF-8 | tr -d '\r'; }
checks_done() {
  [ $qs_failed -eq 0 ] && echo "$1"
  exit $qs_failed
}
