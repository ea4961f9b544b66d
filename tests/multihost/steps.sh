#!/bin/bash
# One board shared by two web servers over NFS, on a machine whose kernel
# has an NFS server (run.sh runs this on the host or inside its virtual
# machine): a folder exported over NFSv4.2 and mounted from two network
# namespaces, each its own NFS client; concurrent posters and readers on
# both, posters killed at random; then every post, record and lock checked,
# and the same run on a local folder for the speed ratio.
#
# Usage: steps.sh DRIVER PROGRAM WORK [POSTS POSTERS READERS KILL_PERCENT
# OPTIONS] (POSTS per web server; OPTIONS the NFS mount options, to see what
# goes wrong with unsafe ones). Runs as root; exit status 0 only when every
# check held.
set -u
DRIVER=$1 PROGRAM=$2 WORK=$3
POSTS=${4:-60} POSTERS=${5:-3} READERS=${6:-2} KILL=${7:-35} OPTIONS=${8:-vers=4.2,hard}
BOARD="test"
EXPORT=$WORK/export LOCAL=$WORK/local
NET=10.77
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
say() { echo "multihost: $*"; }
started_mountd=
# Figure NAME from a driver's NAME=VALUE output in file $1.
fig() { sed -n "s/^$2=//p" "$1" | tail -n 1; }

cleanup() {
  for i in 1 2; do
    umount -f "$WORK/web$i" 2>/dev/null
    ip netns del kq-web$i 2>/dev/null
    ip link del kq-h$i 2>/dev/null
  done
  exportfs -u "$NET.0.0/16:$EXPORT" 2>/dev/null
  rpc.nfsd 0 2>/dev/null
  [ -n "$started_mountd" ] && kill "$started_mountd" 2>/dev/null
}
trap cleanup EXIT

if [ -e /proc/fs/nfsd/threads ] && [ "$(cat /proc/fs/nfsd/threads)" != 0 ]; then
  echo "an NFS server is already running here; stop it first (the test starts its own)"
  exit 2
fi
mkdir -p "$EXPORT/site" "$LOCAL/site" /var/lib/nfs/v4recovery /run/netns
grep -qs ' /proc/fs/nfsd ' /proc/mounts || mount -t nfsd nfsd /proc/fs/nfsd || exit 2

# The server: the export (fsid 0: the NFSv4 root), its mount daemon for the
# export upcalls, and nfsd for NFSv4.1 and 4.2 only, with a short grace
# period so that locks are granted soon after it starts.
touch /etc/exports /var/lib/nfs/etab
exportfs -o rw,sync,no_subtree_check,no_root_squash,insecure,fsid=0 "$NET.0.0/16:$EXPORT" || exit 2
rpc.mountd -N 2 -N 3 -F &
started_mountd=$!
rpc.nfsd -N 3 -N 4.0 -V 4.1 -V 4.2 --grace-time 10 --lease-time 10 --no-udp --port 2049 8 || exit 2
grace_ends=$(($(date +%s) + 11))

# Two web servers: a network namespace each, joined to the server's by a
# veth pair, with its own NFS client identity.
for i in 1 2; do
  ip netns add kq-web$i || exit 2
  ip link add kq-h$i type veth peer name kq-c$i || exit 2
  ip link set kq-c$i netns kq-web$i
  ip addr add $NET.$i.1/24 dev kq-h$i
  ip link set kq-h$i up
  ip netns exec kq-web$i ip addr add $NET.$i.2/24 dev kq-c$i
  ip netns exec kq-web$i ip link set kq-c$i up
  ip netns exec kq-web$i ip link set lo up
  ip netns exec kq-web$i sh -c "echo kiroq-web$i-$RANDOM$RANDOM > /sys/fs/nfs/net/nfs_client/identifier" 2>/dev/null
done
while [ "$(date +%s)" -lt "$grace_ends" ]; do sleep 1; done
for i in 1 2; do
  mkdir -p "$WORK/web$i"
  # The mount enters the namespace's network only: the NFS client belongs to
  # that network, the mount stays visible to every process.
  nsenter --net=/run/netns/kq-web$i mount -t nfs -o "$OPTIONS,clientaddr=$NET.$i.2" "$NET.$i.1:/" "$WORK/web$i" ||
    exit 2
done

echo "== what ran"
say "kernel $(uname -r)"
for i in 1 2; do
  say "web$i mount: $(grep " $WORK/web$i " /proc/mounts)"
  grep " $WORK/web$i " /proc/mounts | grep -q 'vers=4.2' || fail "web$i did not negotiate NFSv4.2"
  grep " $WORK/web$i " /proc/mounts | grep -Eq 'nolock|local_lock=(flock|posix|all)' && fail "web$i mounted with local locks"
  say "web$i client: $(ip netns exec kq-web$i cat /proc/fs/nfsfs/servers | tail -n +2 | tr -s ' ')"
done
clients=0
for c in /proc/fs/nfsd/clients/*/info; do
  [ -e "$c" ] || continue
  clients=$((clients + 1))
  say "server sees client $(grep -E '^(address|name):' "$c" | tr -s ' \n' ' ')"
done
addresses=$(grep -h '^address:' /proc/fs/nfsd/clients/*/info 2>/dev/null | sort -u | wc -l)
[ "$clients" -eq 2 ] && [ "$addresses" -eq 2 ] || fail "the server sees $clients clients from $addresses addresses, not 2 from 2"
say "$POSTS posts per web server, $POSTERS posters and $READERS readers at once on each, $KILL% of posters killed"

# Prepares FOLDER on the server's side, runs both web servers at once against
# SITE1 and SITE2 (the same board through each one's mount), prints the
# figures into $WORK/$TAG.*.
run_both() {
  local tag=$1 folder=$2 site1=$3 site2=$4 ns1=$5 ns2=$6
  rm -rf "$folder" && mkdir -p "$folder"
  "$DRIVER" prepare "$folder" $BOARD "$PROGRAM" "$WORK/$tag.seed" || return 1
  local t0 t1
  t0=$EPOCHREALTIME
  $ns1 "$DRIVER" run "$site1" $BOARD web1 "$WORK/$tag.j1" "$POSTS" "$POSTERS" "$READERS" "$KILL" 11 >"$WORK/$tag.web1" &
  local p1=$!
  $ns2 "$DRIVER" run "$site2" $BOARD web2 "$WORK/$tag.j2" "$POSTS" "$POSTERS" "$READERS" "$KILL" 22 >"$WORK/$tag.web2" &
  local p2=$!
  wait $p1 || fail "$tag: web1 had failed requests"
  wait $p2 || fail "$tag: web2 had failed requests"
  t1=$EPOCHREALTIME
  echo "$t0 $t1" >"$WORK/$tag.time"
}

echo "== over NFS"
run_both nfs "$EXPORT/site" "$WORK/web1/site" "$WORK/web2/site" "ip netns exec kq-web1" "ip netns exec kq-web2" ||
  fail "preparing the board over NFS"
# The lock check must see a lock of the other client: web1 holds the index
# as a writer does, web2 must find it taken.
ip netns exec kq-web1 "$DRIVER" hold "$WORK/web1/site" $BOARD >"$WORK/hold" &
holder=$!
for _ in $(seq 30); do grep -q held "$WORK/hold" && break; sleep 1; done
ip netns exec kq-web2 "$DRIVER" locks "$WORK/web2/site" $BOARD >"$WORK/held.locks" 2>/dev/null &&
  fail "web2 took the board's files while web1 held the index"
say "while web1 holds the index, web2 finds it locked: $(fig "$WORK/held.locks" leftover_locks) of 4 lock checks refused"
kill $holder
wait $holder 2>/dev/null
for i in 1 2; do
  ip netns exec kq-web$i "$DRIVER" locks "$WORK/web$i/site" $BOARD >"$WORK/nfs.locks$i" || fail "a lock was left (web$i)"
done
ip netns exec kq-web2 "$DRIVER" check "$WORK/web2/site" $BOARD "$WORK/nfs.seed" "$WORK/nfs.j1" "$WORK/nfs.j2" \
  >"$WORK/nfs.check" || fail "the board over NFS"
# After the check's own post, from both again.
for i in 1 2; do
  ip netns exec kq-web$i "$DRIVER" locks "$WORK/web$i/site" $BOARD >>"$WORK/nfs.locks$i" ||
    fail "a lock was left after the check (web$i)"
done

echo "== on a local folder"
run_both local "$LOCAL/site" "$LOCAL/site" "$LOCAL/site" "" "" || fail "preparing the local board"
"$DRIVER" locks "$LOCAL/site" $BOARD >"$WORK/local.locks" || fail "a lock was left (local)"
"$DRIVER" check "$LOCAL/site" $BOARD "$WORK/local.seed" "$WORK/local.j1" "$WORK/local.j2" >"$WORK/local.check" ||
  fail "the board on a local folder"

sum() { echo $(($(fig "$WORK/$1.web1" "$2") + $(fig "$WORK/$1.web2" "$2"))); }
rate() { awk -v n="$(sum "$1" posts_acked)" '{ printf "%.1f", n / ($2 - $1) }' "$WORK/$1.time"; }
leftover=0
for f in "$WORK"/nfs.locks1 "$WORK"/nfs.locks2 "$WORK"/local.locks; do
  for n in $(sed -n 's/^leftover_locks=//p' "$f"); do leftover=$((leftover + n)); done
done
echo "== figures"
for t in nfs local; do
  say "$t: posts attempted $(sum $t posts_attempted) (+3 seeds, +1 check post), acknowledged $(sum $t posts_acked)," \
    "busy $(sum $t posts_busy), killed $(sum $t posts_killed), failed $(sum $t posts_failed); SIGKILL sent to $(sum $t kills_sent) posters," \
    "$(sum $t kills_while_a_writer_held) times the moment a writer held a file"
  say "$t: stored $(fig "$WORK/$t.check" records_checked) records: 3 seeds, the check's post, and" \
    "$(($(fig "$WORK/$t.check" records_checked) - 4)) posts ($(fig "$WORK/$t.check" killed_but_stored) of them from posters killed before they answered)"
  say "$t: reads ok $(sum $t reads_ok), busy $(sum $t reads_busy), failed $(sum $t reads_failed)"
  say "$t: records checked $(fig "$WORK/$t.check" records_checked), torn $(fig "$WORK/$t.check" torn_records)," \
    "board problems $(fig "$WORK/$t.check" board_problems_as_left) as left / $(fig "$WORK/$t.check" board_problems) after the next post," \
    "duplicate posts $(fig "$WORK/$t.check" duplicate_posts), missing posts $(fig "$WORK/$t.check" missing_posts)," \
    "refused but stored $(fig "$WORK/$t.check" refused_but_stored), wrong records $(fig "$WORK/$t.check" wrong_records)"
  say "$t: posting rate $(rate $t) acknowledged posts/s over $(awk '{ printf "%.1f", $2 - $1 }' "$WORK/$t.time") s"
done
say "leftover locks: $leftover (whole-file F_SETLK and the program's exclusive open, from both clients)"
say "NFS/local posting rate: $(awk -v a="$(rate nfs)" -v b="$(rate local)" 'BEGIN { printf "%.2f", a / b }')"
for f in "$WORK"/*.check; do grep -q '^missing_posts=' "$f" || fail "no figures in $f"; done
if [ "$failures" -eq 0 ]; then say "every check held"; else say "$failures checks failed"; fi
[ "$failures" -eq 0 ]
