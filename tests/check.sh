# The checks of the shell tests, sourced by each (after scripts/wine-env.sh):
#   check DESCRIPTION EXPECTED ACTUAL   "ok: ..." or "FAIL: ..." (on stderr), remembered;
#                                       ACTUAL without the CRs of Windows programs' output
#   u8                                  CP932 text on stdin as UTF-8, without CRs
#   checks_done SUMMARY                 prints SUMMARY when all passed; exits 0 or 1
# A test that needs another comparison redefines check on top of qs_check.
qs_failed=0
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
