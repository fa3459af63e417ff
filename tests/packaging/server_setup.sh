#!/usr/bin/env bash
# velmora-server-setup as an administrator would call it, in its dry run (the real run needs
# root and leaves a cluster behind): what it would make, and what it refuses.
set -uo pipefail
setup=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$("$setup" --dry-run --host server.practice.lan reception doctor 2>&1) || fail "dry run failed: $out"
for wanted in "pg_createcluster 15 velmora --port 5433" \
              "LOCALE_PROVIDER icu" "ICU_LOCALE 'el-u-kr-latn-grek-ks-level1'" \
              "hostssl velmora  +velmora_practice      0.0.0.0/0   scram-sha-256" \
              "pg_conftool 15 velmora set ssl on" "password_encryption scram-sha-256" \
              "subjectAltName=DNS:server.practice.lan" \
              "CREATE ROLE reception LOGIN PASSWORD '…' IN ROLE velmora_practice;" \
              "CREATE ROLE doctor LOGIN PASSWORD '…' IN ROLE velmora_practice;" \
              'Seat "doctor":' "Host:            server.practice.lan" "Port:            5433" \
              "CA certificate:  (the copy of) /etc/postgresql/15/velmora/tls/velmora-ca.crt"; do
  grep -qF -- "$wanted" <<<"$out" || fail "dry run lacks '$wanted':
$out"
done
# Over the network nothing but TLS with a password.
if grep -E '^ +(host|hostnossl) ' <<<"$out" | grep -q .; then fail "a connection without TLS is allowed"; fi
if grep -E '(trust|md5|password)$' <<<"$(grep -E '^ +(local|host)' <<<"$out")" | grep -q .; then
  fail "a weak authentication method"
fi

refused() {
  local reason=$1; shift
  local said
  said=$("$setup" --dry-run "$@" 2>&1) && fail "'$*' was accepted"
  grep -qF -- "$reason" <<<"$said" || fail "'$*' refused without saying '$reason': $said"
}
refused "usage:"
refused "not a seat name" "bad;name"
refused "not a seat name" "Reception"
refused "keeps for itself" velmora_practice
refused "keeps for itself" postgres
refused "named twice" doctor doctor
refused "not a port" --port 80 doctor
refused "not a host name" --host "a b" doctor
echo "ok"
