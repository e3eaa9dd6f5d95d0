#!/usr/bin/env bash
# Campaigns across machines, for real: a one-node Slurm cluster (munged,
# slurmctld, slurmd) and an sshd on the loopback, each path running two
# score-solver instances (campaign.slurm, campaign --sshloginfile) that are
# watched and stopped as docs/campaigns.md says: the Slurm path from the suite installed
# into a prefix of its own, the ssh path from the sources and the build tree. "Another machine" is this one
# under another host name (a UTS namespace), so that Slurm and ssh carry the
# status and the stop there, while this machine reads and signals directly.
#
# All state lives in one temporary directory. Every process started here is
# taken down by its number at the end, also when a check fails: the instances
# and Slurm's step daemons (found by their working directory, which lies in the
# temporary directory), then the daemons. ~/.ssh is left as it was.
# Needs root and Debian's slurm-wlm, munge, openssh-server and parallel
# (tools/install-deps installs them); says so loudly where it cannot run.
#
#   campaign_cluster_test.sh BIN_DIR BUILD_DIR
set -u -o pipefail

BIN=$(cd "$1" && pwd)
BUILD=$(cd "$2" && pwd)
SRC=$(cd "$(dirname "$0")/../.." && pwd)
CAMPAIGN=$SRC/tools/campaign
STARTED=$SECONDS

cannot_run() {
    {
        echo "######################################################################"
        echo "## NOT TESTED: campaigns on Slurm and over ssh: $*"
        echo "######################################################################"
    } >&2
    [[ ${CI:-} == true ]] && exit 1  # CI has what it takes: there this is a failure
    exit 77
}
[[ $(id -u) == 0 ]] || cannot_run "this needs root (slurmd, munged and sshd are started for the test)"
for tool in munged slurmctld slurmd sbatch scancel squeue sinfo /usr/sbin/sshd ssh ssh-keygen parallel unshare ss; do
    command -v "$tool" >/dev/null ||
        cannot_run "no $tool here (tools/install-deps installs slurm-wlm, munge, openssh-server and parallel)"
done

T=$(mktemp -d /tmp/zentara-cluster-XXXXXX) || exit 1
chmod 755 "$T"  # munged serves its socket only from a directory all may enter
DAEMONS=()      # process numbers, in the order started
source "$SRC/tests/support/shell_test_lib.sh"

log() { printf '[%3d s] %s\n' $((SECONDS - STARTED)) "$*"; }

cleanup() {
    local rc=$? pid left d i
    trap - EXIT INT TERM
    # The daemons first, one after the other, the last started first: slurmctld
    # ends at once while its helper process (slurmscriptd, working here too) and
    # munged still answer, and only after seconds when they are gone.
    for ((d = ${#DAEMONS[@]} - 1; d >= 0; --d)); do
        pid=${DAEMONS[d]} i=0
        kill -TERM "$pid" 2>/dev/null
        while kill -0 "$pid" 2>/dev/null && ((i++ < 50)); do sleep 0.1; done
        kill -0 "$pid" 2>/dev/null && log "process $pid ($(tr "\0" " " </proc/$pid/cmdline | cut -c1-40)): no end on SIGTERM after 5 s: SIGKILL"
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    # Then whatever still works in the temporary directory: instances and their
    # wrappers (also those Slurm or sshd ran), Slurm's step daemons, GNU parallel.
    kill_in_dir
    left=$(in_dir | tr '\n' ' ')
    for pid in "${DAEMONS[@]}"; do kill -0 "$pid" 2>/dev/null && left+="$pid "; done
    if [[ -n $left ]]; then
        echo "FAILED: processes of the test still there: $left" >&2
        rc=1
    fi
    if ((rc != 0)) && [[ -n ${KEEP_CLUSTER_TEST:-} ]]; then
        echo "kept $T" >&2
    else
        rm -rf "$T"
    fi
    log "done, daemons down"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Three ports nothing on this machine listens on.
PORTS=()
while ((${#PORTS[@]} < 3)); do
    port=$((20000 + RANDOM % 40000))
    [[ " ${PORTS[*]} " == *" $port "* ]] && continue
    [[ -z $(ss -Htan "sport = :$port") ]] && PORTS+=("$port")
done
SSH_PORT=${PORTS[0]}

# Private settings: ~/.ssh, ~/.parallel and the system's Slurm and munge stay untouched.
home_ssh_before=$(ls -la --time-style=full-iso ~/.ssh 2>&1; cat ~/.ssh/* 2>/dev/null | md5sum)
export PARALLEL_HOME=$T/parallel-home
export SLURM_CONF=$T/slurm/slurm.conf
unset ZENTARA_BIN ZENTARA_ROOT  # each path says where its programs are

# The installed suite, as a package lays it out on every node, under a prefix of its own.
PREFIX=$T/prefix
out=$(cmake --install "$BUILD" --prefix "$PREFIX" 2>&1) || die "cmake --install: $out"
INSTALLED=$PREFIX/bin/zentara-campaign

# ---------------------------------------------------------------------------
log "starting munged, slurmctld, slurmd"
mkdir -m 700 "$T/munge-key" && mkdir -m 755 "$T/munge" "$T/slurm" "$T/slurm/state" "$T/slurm/spool" || die "mkdir"
head -c 1024 /dev/urandom >"$T/munge-key/munge.key" && chmod 400 "$T/munge-key/munge.key"
(cd "$T" && exec munged --foreground --force --socket="$T/munge/socket" --key-file="$T/munge-key/munge.key" \
    --pid-file="$T/munge/munged.pid" --seed-file="$T/munge/seed" --log-file="$T/munge/munged.log" \
    >"$T/munge/munged.txt" 2>&1) &
DAEMONS+=($!)
wait_for 10 "munge socket" test -S "$T/munge/socket"

host=$(hostname)
cat >"$SLURM_CONF" <<EOF
ClusterName=zentara-test
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=${PORTS[1]}
SlurmdPort=${PORTS[2]}
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$T/munge/socket
StateSaveLocation=$T/slurm/state
SlurmdSpoolDir=$T/slurm/spool
SlurmctldPidFile=$T/slurm/slurmctld.pid
SlurmdPidFile=$T/slurm/slurmd.pid
SlurmctldLogFile=$T/slurm/slurmctld.log
SlurmdLogFile=$T/slurm/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MpiDefault=none
MailProg=/bin/true
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SlurmdParameters=config_overrides
ReturnToService=2
NodeName=zentara-node NodeHostname=$host NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=test Nodes=zentara-node Default=YES MaxTime=INFINITE State=UP
EOF
# Started in the temporary directory: Slurm's step daemons work there too, and so
# are found at the end whatever happened.
(cd "$T" && exec slurmctld -D -i -f "$SLURM_CONF" >"$T/slurm/slurmctld.txt" 2>&1) &
DAEMONS+=($!)
(cd "$T" && exec slurmd -D -N zentara-node -f "$SLURM_CONF" >"$T/slurm/slurmd.txt" 2>&1) &
DAEMONS+=($!)
node_idle() { [[ $(sinfo -h -o %T 2>/dev/null) == idle ]]; }
wait_for 30 "idle Slurm node" node_idle
log "Slurm is up"

elsewhere() {  # COMMAND...: runs it as on another machine: the same one under another host name
    unshare --uts bash -c 'hostname zentara-elsewhere && exec "$@"' - "$@"
}
instance_runs() {  # DIR: its pid file is there and the solver has printed a status line
    [[ -f $1/instance.pid ]] && grep -q 'Level/Score' "$1/console.txt" 2>/dev/null
}
states() {  # CAMPAIGN CAMPAIGN_DIR [COMMAND...]: the status's first line and each instance's state
    local campaign=$1 dir=$2
    shift 2
    "$@" "$campaign" status "$dir" | sed -nE '/^campaign /p; s/^(instance-[0-9]+  .{0,14}).*/\1/p' | sed 's/ *$//'
}
check_stopped() {  # CAMPAIGN_DIR NAME...: each instance ended by the stop with its statistics saved
    local dir=$1 name
    shift
    for name in "$@"; do
        expect_eq "$name exit code" "$(cat "$dir/$name/exit.txt" 2>&1)" 0
        [[ -e $dir/$name/instance.pid ]] && fail "$name: instance.pid left behind"
        "$BIN/stat-merge" "$T/merged.bin" "$dir/$name/Stat.bin" >/dev/null ||
            fail "$name: stat-merge refuses its Stat.bin"
    done
}

# ---------------------------------------------------------------------------
# Slurm. Submitted from a directory outside the suite. A task that cannot run
# leaves its reason in the campaign directory. From the sources, every task finds
# the suite from the submitted script's path, also the task that keeps the
# array's own job id (Slurm shows it with every task of the array): two tasks
# start at once, the third when a CPU frees.
mkdir "$T/submit"
out=$(cd "$T/submit" && ZENTARA_BIN=$BIN sbatch --array=1-3 "$SRC/tools/campaign.slurm" no-such-solver broken 2>&1) ||
    die "sbatch: $out"
broken_job=${out##* }
job_gone() { [[ -z $(squeue -h -j "$1" 2>/dev/null) ]]; }
wait_for 60 "end of the broken job" job_gone "$broken_job"
log "the broken job has ended"
for task in 1 2 3; do
    grep -q "campaign.slurm: task ${broken_job}_$task on $host, .*: $BIN/no-such-solver is not an executable program" \
        "$T/submit/broken/slurm.txt" 2>/dev/null || fail "task $task's error is not in broken/slurm.txt: $(cat "$T/submit/broken/slurm.txt" 2>&1)"
done
expect_eq "lines in broken/slurm.txt" "$(wc -l <"$T/submit/broken/slurm.txt" 2>&1)" 3

# From the installed suite (no ZENTARA_BIN, no ZENTARA_ROOT): two tasks on two
# CPUs, both running at once.
out=$(cd "$T/submit" && sbatch --array=1-2 "$PREFIX/libexec/zentara/campaign.slurm" score-solver "$T/slurm-campaign" 2>&1) ||
    die "sbatch: $out"
job=${out##* }
S=$T/slurm-campaign
wait_for 60 "running Slurm instances" instance_runs "$S/instance-001"
wait_for 60 "running Slurm instances" instance_runs "$S/instance-002"
log "Slurm job $job: two instances run"
expect_eq "the program run" "$(sed -n 's/^program: //p' "$S/campaign.txt")" "$PREFIX/libexec/zentara/score-solver"
expect_eq "status here" "$(states "$INSTALLED" "$S")" "campaign $S: score-solver, 2 instances, 2 running
instance-001  running
instance-002  running"

out=$(elsewhere "$INSTALLED" stop "$S" 2>&1)
# The installed campaign names itself as it was started.
expect_eq "stop from elsewhere" "$?: $out" "0: zentara-campaign: cancelled the tasks of Slurm job $job that had not started
zentara-campaign: sent SIGTERM to 2 instances; all stopped"
log "Slurm campaign stopped"
check_stopped "$S" instance-001 instance-002
wait_for 30 "end of the Slurm job" job_gone "$job"
expect_eq "status after the stop" "$(states "$INSTALLED" "$S")" "campaign $S: score-solver, 2 instances, 0 running
instance-001  ended, exit 0
instance-002  ended, exit 0"
[[ -s $S/slurm.txt ]] && fail "Slurm tasks reported: $(cat "$S/slurm.txt")"

# ---------------------------------------------------------------------------
# GNU parallel over ssh, to an sshd on the loopback whose keys are the test's;
# the sources' campaign script with the programs of this build.
export ZENTARA_BIN=$BIN
log "starting sshd on 127.0.0.1:$SSH_PORT"
ssh-keygen -q -t ed25519 -N '' -f "$T/host_key" && ssh-keygen -q -t ed25519 -N '' -f "$T/id" &&
    cp "$T/id.pub" "$T/authorized_keys" || die "ssh-keygen"
cat >"$T/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $SSH_PORT
HostKey $T/host_key
AuthorizedKeysFile $T/authorized_keys
PidFile $T/sshd.pid
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
PrintMotd no
PrintLastLog no
EOF
cat >"$T/ssh_config" <<EOF
Host *
  IdentityFile $T/id
  IdentitiesOnly yes
  UserKnownHostsFile $T/known_hosts
  StrictHostKeyChecking accept-new
  BatchMode yes
EOF
# sshd wants /run/sshd; it gets a /run of its own in a mount namespace, so the
# machine's /run is not touched.
(cd "$T" && exec unshare --mount --propagation private sh -c \
    'mount -t tmpfs -o mode=755 zentara-test /run && mkdir /run/sshd && exec /usr/sbin/sshd -D -e -f "$1"' \
    - "$T/sshd_config" >"$T/sshd.txt" 2>&1) &
DAEMONS+=($!)
sshd_listens() { [[ -n $(ss -Htln "sport = :$SSH_PORT") ]]; }
wait_for 10 "sshd listening" sshd_listens

# Two sshlogins with ssh options, as GNU parallel's manual writes them, one slot each;
# a campaign directory with a space in its name.
printf '1/ssh -F %s -p %d root@127.0.0.1\n1/ssh -F %s -o Port=%d 127.0.0.1\n' \
    "$T/ssh_config" "$SSH_PORT" "$T/ssh_config" "$SSH_PORT" >"$T/sshlogins"
P="$T/over ssh"
# Started from the temporary directory, so that GNU parallel and its ssh work there.
out=$(cd "$T" && "$CAMPAIGN" start --sshloginfile "$T/sshlogins" score-solver 2 "$P" 2>&1)
expect_eq "start over ssh" "$?: $out" "0: campaign: started 2 of 2 instances of score-solver in $P"
wait_for 60 "running instances over ssh" instance_runs "$P/instance-001"
wait_for 60 "running instances over ssh" instance_runs "$P/instance-002"
log "two instances run over ssh"
expect_eq "their routes" "$(cut -d' ' -f2- "$P"/instance-00[12]/instance.pid | sort)" \
    "$host ssh -F $T/ssh_config -o Port=$SSH_PORT 127.0.0.1
$host ssh -F $T/ssh_config -p $SSH_PORT root@127.0.0.1"
expected="campaign $P: score-solver, 2 instances, 2 running
instance-001  running
instance-002  running"
expect_eq "status here" "$(states "$CAMPAIGN" "$P")" "$expected"
expect_eq "status from elsewhere" "$(states "$CAMPAIGN" "$P" elsewhere)" "$expected"

# An instance whose machine does not answer is neither running nor stopped.
mkdir "$P/instance-003"
echo "12345 zentara-gone ssh -F $T/ssh_config -p 1 root@127.0.0.1" >"$P/instance-003/instance.pid"
log "stopping over ssh"
out=$(elsewhere "$CAMPAIGN" stop "$P" 2>&1)
expect_eq "stop from elsewhere" "$?: $out" \
    "1: campaign: sent SIGTERM to 2 instances; no answer from their machines, not signalled: instance-003"
log "campaign over ssh stopped"
check_stopped "$P" instance-001 instance-002
# Beyond the campaign's two instances, status names it apart (stop still tried it).
expect_eq "the unreachable instance" "$("$CAMPAIGN" status "$P" | grep '^left from')" \
    "left from an earlier start with more instances, not part of this campaign: instance-003"

home_ssh_after=$(ls -la --time-style=full-iso ~/.ssh 2>&1; cat ~/.ssh/* 2>/dev/null | md5sum)
expect_eq "~/.ssh" "$home_ssh_after" "$home_ssh_before"
log "$FAILURES failures"
((FAILURES == 0))
