#!/usr/bin/env bash
# A small mutation check: plants the faults of scripts/mutations.txt one at a time in a
# scratch copy of the working tree, builds, runs the tests, and reports which faults the
# tests catch ("killed") and which they do not ("survived").
#
#   scripts/mutate.sh                 every fault (half an hour to an hour)
#   scripts/mutate.sh 7               fault 7 only
#   scripts/mutate.sh 3-5 12 Hud      faults 3 to 5, 12, and those matching "Hud"
#   scripts/mutate.sh --list          number, name, file and effect of every fault
#   scripts/mutate.sh --no-tsan Hud   without the ThreadSanitizer music tests
#
# The repository's own working tree is only read. The scratch copy lives outside it
# (${TMPDIR:-/tmp}/gravewake-mutate by default) and is kept between runs, so that a
# later run, or a re-check of one fault, builds incrementally.
set -uo pipefail

usage() {
    cat <<'EOF'
Usage: scripts/mutate.sh [options] [SELECT...]

SELECT picks faults: a number (7), a range (3-9), or a pattern (a case-insensitive
Perl regular expression matched against a fault's name, file and description).
Without SELECT every fault runs.

Options:
  --list             list the faults and check that each one's text is found exactly
                     once; builds and runs nothing
  --work DIR         the scratch folder (default: ${TMPDIR:-/tmp}/gravewake-mutate)
  --fresh            remove the scratch folder first and build from nothing
  --timeout SEC      limit for the tests of one fault (default 600)
  --build-timeout SEC  limit for one build (default 3600)
  --jobs N           tests run at the same time (default 2)
  --all-tests        also run the tests of the tune and picture generators, which no
                     fault can reach (left out by default)
  --no-tsan          leave out the music tests under ThreadSanitizer, which the test
                     command runs and which otherwise run for every fault the ordinary
                     tests miss
  --tsan             the default: the music tests built with ThreadSanitizer as
                     scripts/tsan.sh builds them
  --no-baseline      do not first check that the unchanged copy passes
  --faults FILE      the fault list (default: scripts/mutations.txt)
  -h, --help         this text
EOF
}

repo=$(cd "$(dirname "$0")/.." && pwd -P)
faultFile="$repo/scripts/mutations.txt"
work="${TMPDIR:-/tmp}/gravewake-mutate"
listOnly=0
fresh=0
testLimit=600
buildLimit=3600
jobs=2
allTests=0
tsan=1
baseline=1
selectors=()

while (($#)); do
    case "$1" in
    --list) listOnly=1 ;;
    --work) work=$2; shift ;;
    --work=*) work=${1#*=} ;;
    --fresh) fresh=1 ;;
    --timeout) testLimit=$2; shift ;;
    --timeout=*) testLimit=${1#*=} ;;
    --build-timeout) buildLimit=$2; shift ;;
    --build-timeout=*) buildLimit=${1#*=} ;;
    --jobs) jobs=$2; shift ;;
    --jobs=*) jobs=${1#*=} ;;
    --all-tests) allTests=1 ;;
    --tsan) tsan=1 ;;
    --no-tsan) tsan=0 ;;
    --no-baseline) baseline=0 ;;
    --faults) faultFile=$2; shift ;;
    --faults=*) faultFile=${1#*=} ;;
    -h | --help) usage; exit 0 ;;
    --) shift; selectors+=("$@"); break ;;
    -*) echo "mutate.sh: unknown option $1" >&2; usage >&2; exit 2 ;;
    *) selectors+=("$1") ;;
    esac
    shift
done
for n in "$testLimit" "$buildLimit" "$jobs"; do
    [[ $n =~ ^[1-9][0-9]*$ ]] || { echo "mutate.sh: not a positive number: $n" >&2; exit 2; }
done
faultFile=$(cd "$(dirname "$faultFile")" && pwd -P)/$(basename "$faultFile")
[[ -f $faultFile ]] || { echo "mutate.sh: no fault list at $faultFile" >&2; exit 2; }

# --- The fault list -------------------------------------------------------------------

# Parses the fault list into DIR/<n>/{id,file,find,with,what}, checks every entry
# against the sources under ROOT, and prints the numbers SELECT picks, one a line.
# Bad entries are reported on stderr; the exit status is then 1.
parse_faults() { # DIR ROOT SELECT...
    perl - "$faultFile" "$@" <<'PERL'
use strict;
use warnings;
my ($list, $dir, $root, @select) = @ARGV;
open my $in, '<', $list or die "mutate.sh: cannot read $list: $!\n";
my (@faults, $cur, $bad);
my %known = map { $_ => 1 } qw(id file find with what);
sub finish {
    push @faults, $cur if $cur;
    undef $cur;
}
while (my $line = <$in>) {
    $line =~ s/\r?\n\z//;
    if ($line =~ /^\s*$/) { finish(); next; }
    next if $line =~ /^#/;
    if ($line =~ /^(\w+):(?: (.*))?\z/s && $known{$1}) {
        my ($key, $value) = ($1, defined $2 ? $2 : '');
        $cur ||= { line => $. };
        if (exists $cur->{$key}) {
            print STDERR "$list:$.: \"$key\" given twice in one fault\n";
            $bad = 1;
        }
        $value =~ s/\\n/\n/g if $key eq 'find' || $key eq 'with';
        $cur->{$key} = $value;
    } else {
        print STDERR "$list:$.: not a \"key: value\" line of a fault: $line\n";
        $bad = 1;
    }
}
finish();
my (%ids, @problems);
for my $n (1 .. @faults) {
    my $f = $faults[$n - 1];
    my $name = defined $f->{id} ? $f->{id} : "(no id)";
    my @why;
    for my $key (qw(id file find with what)) {
        push @why, "no \"$key:\" line" unless defined $f->{$key};
    }
    push @why, "empty find text" if defined $f->{find} && $f->{find} eq '';
    push @why, "find and with are the same" if defined $f->{find} && defined $f->{with}
        && $f->{find} eq $f->{with};
    if (defined $f->{id}) {
        push @why, "id also used by fault $ids{$f->{id}}" if $ids{$f->{id}};
        $ids{$f->{id}} ||= $n;
    }
    if (defined $f->{file} && defined $f->{find} && $f->{find} ne '') {
        my $path = "$root/$f->{file}";
        if ($f->{file} =~ m{(^|/)\.\.(/|$)} || $f->{file} =~ m{^/}) {
            push @why, "file must be a path inside the repository";
        } elsif (open my $src, '<', $path) {
            local $/;
            my $text = <$src>;
            my ($count, $at) = (0, 0);
            while (($at = index($text, $f->{find}, $at)) >= 0) { $count++; $at++; }
            push @why, "find text occurs $count times in $f->{file} (must be once)"
                if $count != 1;
        } else {
            push @why, "no file $f->{file}";
        }
    }
    if (@why) {
        print STDERR "bad entry $n ($name, $list:$f->{line}): ", join('; ', @why), "\n";
        $bad = 1;
    }
    my $d = "$dir/$n";
    mkdir $d or die "mutate.sh: cannot create $d: $!\n";
    for my $key (qw(id file find with what)) {
        open my $out, '>', "$d/$key" or die "mutate.sh: cannot write $d/$key: $!\n";
        print $out defined $f->{$key} ? $f->{$key} : '';
        close $out;
    }
}
# The selection.
my @picked;
if (!@select) {
    @picked = (1 .. @faults);
} else {
    my %seen;
    for my $s (@select) {
        my @these;
        if ($s =~ /^(\d+)$/) {
            @these = ($1);
        } elsif ($s =~ /^(\d+)-(\d+)$/) {
            @these = ($1 .. $2);
        } else {
            my $re = eval { qr/$s/i };
            if (!$re) { print STDERR "mutate.sh: not a regular expression: $s\n"; exit 2; }
            @these = grep {
                my $f = $faults[$_ - 1];
                join(' ', map { defined $f->{$_} ? $f->{$_} : '' } qw(id file what)) =~ $re
            } 1 .. @faults;
            print STDERR "mutate.sh: no fault matches \"$s\"\n" unless @these;
        }
        for my $n (@these) {
            if ($n < 1 || $n > @faults) {
                print STDERR "mutate.sh: there is no fault $n (1 to ", scalar(@faults), ")\n";
                exit 2;
            }
            push @picked, $n unless $seen{$n}++;
        }
    }
}
print "$_\n" for @picked;
exit($bad ? 1 : 0);
PERL
}

# Replaces the one occurrence of FIND in FILE by WITH (both given as files). The file
# is written in place, so it gets a new modification time and the build redoes it.
apply_fault() { # FILE FINDFILE WITHFILE
    perl - "$@" <<'PERL'
use strict;
use warnings;
my ($path, $findFile, $withFile) = @ARGV;
sub slurp { open my $h, '<', $_[0] or die "cannot read $_[0]: $!\n"; local $/; my $t = <$h>; defined $t ? $t : '' }
my ($text, $find, $with) = map { slurp($_) } $path, $findFile, $withFile;
my ($count, $at) = (0, 0);
while (($at = index($text, $find, $at)) >= 0) { $count++; $at++; }
if ($count != 1) { print STDERR "the find text occurs $count times (must be once)\n"; exit 3; }
my $where = index($text, $find);
substr($text, $where, length $find) = $with;
open my $out, '+<', $path or die "cannot write $path: $!\n";
print $out $text;
truncate $out, tell $out;
close $out or die "cannot write $path: $!\n";
PERL
}

# --- The scratch folder -----------------------------------------------------------------

mkdir -p "$work" || exit 2
work=$(cd "$work" && pwd -P)
case "$work/" in
"$repo"/*) echo "mutate.sh: the scratch folder must lie outside the repository: $work" >&2; exit 2 ;;
esac
case "$repo/" in
"$work"/*) echo "mutate.sh: the scratch folder must not contain the repository: $work" >&2; exit 2 ;;
esac

run="$work/run.$$"
rm -rf "$run"
mkdir -p "$run/faults"
trap 'rm -rf "$run"' EXIT
if ((listOnly)); then
    parse_faults "$run/faults" "$repo" "${selectors[@]}" >"$run/picked"
    status=$?
    ((status == 2)) && exit 2
    while read -r n; do
        printf '%3d  %-30s %-26s %s\n' "$n" "$(<"$run/faults/$n/id")" "$(<"$run/faults/$n/file")" \
            "$(<"$run/faults/$n/what")"
    done <"$run/picked"
    total=$(find "$run/faults" -mindepth 1 -maxdepth 1 -type d | wc -l)
    echo "$total faults in $faultFile"
    for folder in app input world actors hud audio platform snesapu; do
        count=0
        for d in "$run"/faults/*/; do [[ $(<"$d/file") == "$folder/"* ]] && ((count++)); done
        printf '  %-9s %d\n' "$folder/" "$count"
    done
    ((status)) && echo "Some entries are bad (see above)." >&2
    exit "$status"
fi

# One run at a time in a scratch folder.
exec 9>"$work/lock"
if ! flock -n 9; then
    echo "mutate.sh: another run is using $work" >&2
    exit 2
fi

if ((fresh)); then
    rm -rf "$work/src" "$work/build" "$work/build-tsan" "$work/baseline-ok" "$work/files"
fi
mkdir -p "$work/src" "$work/logs" "$work/orig"

parse_faults "$run/faults" "$repo" "${selectors[@]}" >"$run/picked"
case $? in
0) ;;
1) echo "mutate.sh: fix the bad entries of $faultFile first (scripts/mutate.sh --list)." >&2; exit 2 ;;
*) exit 2 ;;
esac
mapfile -t picked <"$run/picked"
if ((${#picked[@]} == 0)); then
    echo "mutate.sh: no fault selected" >&2
    exit 2
fi

declare -a outcome
killedTests=0
killedBuild=0
survived=0
badEntries=0
done_=0

summary() {
    local n notes=""
    ((badEntries)) && notes+="; $badEntries bad entries, not counted"
    ((done_ + badEntries < ${#picked[@]})) && notes+="; $((${#picked[@]} - done_ - badEntries)) not run"
    echo
    echo "==== score: $((killedTests + killedBuild)) killed of $done_ ($killedTests by the tests," \
        "$killedBuild by the build; $survived survived$notes)"
    if ((survived)); then
        echo "survivors:"
        for n in "${picked[@]}"; do
            [[ ${outcome[$n]:-} == survived ]] || continue
            printf '  %3d  %-30s %s\n' "$n" "$(<"$run/faults/$n/id")" "$(<"$run/faults/$n/file")"
            printf '       %s\n' "$(<"$run/faults/$n/what")"
        done
    fi
    echo "logs: $work/logs"
}

# --- Restoring, whatever happens --------------------------------------------------------

current=""     # the file of the scratch copy that holds a fault right now
child=""       # the process group of the build or test run in progress
lastBuild=""   # the log of the last build, written until that build ended

# The build decides by time stamps what to redo, so a file just changed must be newer
# than everything the last build wrote; on a file system with coarse time stamps, wait.
newer_than_build() { # FILE
    [[ -n $lastBuild && -e $lastBuild ]] || return 0
    local tries=0
    while [[ ! $1 -nt $lastBuild ]] && ((tries++ < 5)); do
        sleep 1
        touch "$1"
    done
}

restore_current() {
    [[ -n $current ]] || return 0
    # Copied back without its old time stamp: the next build redoes it.
    if cat "$work/orig/$current" >"$work/src/$current" &&
        cmp -s "$work/orig/$current" "$work/src/$current"; then
        newer_than_build "$work/src/$current"
        current=""
        return 0
    fi
    echo "mutate.sh: could not restore $work/src/$current; remove $work before the next run" >&2
    rm -f "$work/baseline-ok"
    return 1
}

stop_child() {
    [[ -n $child ]] || return 0
    kill -TERM -- "-$child" 2>/dev/null
    sleep 2
    kill -KILL -- "-$child" 2>/dev/null
    wait "$child" 2>/dev/null
    child=""
}

on_signal() {
    trap '' INT TERM
    echo
    echo "mutate.sh: interrupted; restoring the scratch copy" >&2
    stop_child
    restore_current
    summary
    rm -rf "$run"
    exit 130
}

on_exit() {
    stop_child
    restore_current
    rm -rf "$run"
}
trap on_signal INT TERM HUP
trap on_exit EXIT

# Runs a command in a process group of its own, for at most LIMIT seconds; the whole
# group is ended afterwards, so nothing a hanging test started lives on. Returns the
# command's status, or 124 when the limit was reached.
run_limited() { # LIMIT LOG COMMAND...
    local limit=$1 log=$2
    shift 2
    rm -f "$run/expired"
    setsid "$@" >"$log" 2>&1 </dev/null &
    child=$!
    (
        end=$((SECONDS + limit))
        while kill -0 "$child" 2>/dev/null; do
            if ((SECONDS >= end)); then
                : >"$run/expired"
                kill -TERM -- "-$child" 2>/dev/null
                sleep 10
                kill -KILL -- "-$child" 2>/dev/null
                exit 0
            fi
            sleep 1
        done
    ) &
    local watchdog=$! status
    wait "$child"
    status=$?
    kill -KILL -- "-$child" 2>/dev/null # whatever the run left behind
    child=""
    wait "$watchdog" 2>/dev/null
    [[ -e $run/expired ]] && return 124
    return "$status"
}

# --- Copy, configure, build -------------------------------------------------------------

stamp() { printf '[%s] ' "$(date +%H:%M:%S)"; }

stamp
echo "copying the working tree of $repo to $work/src"
# Tracked files and untracked ones git does not ignore, as they are in the working tree.
(cd "$repo" && git ls-files -z --cached --others --exclude-standard) |
    tr '\0' '\n' | LC_ALL=C sort -u >"$run/files.all"
: >"$run/files"
while IFS= read -r f; do
    [[ -f $repo/$f || -L $repo/$f ]] || continue # tracked, but deleted in the working tree
    printf '%s\n' "$f" >>"$run/files"
done <"$run/files.all"
mkdir -p "$run/stage"
tr '\n' '\0' <"$run/files" | (cd "$repo" && tar --null -T - -cf -) | (cd "$run/stage" && tar -xf -) ||
    { echo "mutate.sh: copying the working tree failed" >&2; exit 2; }
# Only what differs is copied over the scratch copy, so unchanged files keep their time
# stamps and the build stays incremental.
changed=0
while IFS= read -r f; do
    if ! cmp -s "$run/stage/$f" "$work/src/$f" 2>/dev/null; then
        mkdir -p "$(dirname "$work/src/$f")"
        rm -f "$work/src/$f"
        cp -P "$run/stage/$f" "$work/src/$f"
        changed=$((changed + 1))
    fi
done <"$run/files"
if [[ -f $work/files ]]; then
    while IFS= read -r f; do
        [[ -n $f ]] && rm -f "$work/src/$f" && changed=$((changed + 1))
    done < <(LC_ALL=C comm -23 "$work/files" "$run/files")
fi
cp "$run/files" "$work/files"
rm -rf "$run/stage"
echo "    $(wc -l <"$run/files") files, $changed changed since the last run"
# The stamp of these sources and this choice of tests, for the baseline.
tree=$( (cd "$work/src" && tr '\n' '\0' <"$work/files" | xargs -0 sha256sum) | sha256sum | cut -c1-16)
((allTests)) && tree+="-all"
((tsan)) && tree+="-tsan"

if [[ ! -f $work/build/build.ninja ]]; then
    stamp
    echo "configuring $work/build"
    if ! cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        >"$work/logs/configure.log" 2>&1; then
        tail -30 "$work/logs/configure.log"
        echo "mutate.sh: configuring failed (see $work/logs/configure.log)" >&2
        exit 2
    fi
fi
stamp
echo "building (the first build takes a while; later ones are incremental)"
run_limited "$buildLimit" "$work/logs/build.log" cmake --build "$work/build"
status=$?
lastBuild="$work/logs/build.log"
if ((status != 0)); then
    tail -30 "$work/logs/build.log"
    echo "mutate.sh: the unchanged copy does not build (see $work/logs/build.log)" >&2
    exit 2
fi

# The music tests under ThreadSanitizer, built the way scripts/tsan.sh builds them.
tsanFlags="-fsanitize=thread -fno-omit-frame-pointer"
build_tsan() { # LOG
    run_limited "$buildLimit" "$1" cmake --build "$work/build-tsan" --target gravewake_audio_tests snesapu
}
if ((tsan)); then
    if [[ ! -f $work/build-tsan/build.ninja ]]; then
        stamp
        echo "configuring $work/build-tsan (ThreadSanitizer)"
        if ! cmake -S "$work/src" -B "$work/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_C_FLAGS="$tsanFlags" -DCMAKE_CXX_FLAGS="$tsanFlags" \
            -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread \
            >"$work/logs/configure-tsan.log" 2>&1; then
            tail -30 "$work/logs/configure-tsan.log"
            echo "mutate.sh: configuring failed (see $work/logs/configure-tsan.log)" >&2
            exit 2
        fi
    fi
    stamp
    echo "building the music tests with ThreadSanitizer"
    build_tsan "$work/logs/build-tsan.log"
    status=$?
    lastBuild="$work/logs/build-tsan.log"
    if ((status != 0)); then
        tail -30 "$work/logs/build-tsan.log"
        echo "mutate.sh: the unchanged copy does not build (see $work/logs/build-tsan.log)" >&2
        exit 2
    fi
fi

# --- The tests ----------------------------------------------------------------------------

# Every test except, by default, those of the tune and picture generators: their
# programs are built from tools/ alone and link nothing a fault can change.
(cd "$work/build" && ctest --show-only=json-v1) >"$run/tests.json" 2>"$run/tests.err" ||
    { cat "$run/tests.err" >&2; echo "mutate.sh: ctest cannot list the tests" >&2; exit 2; }
perl - "$run/tests.json" "$allTests" >"$run/tests" <<'PERL' || exit 2
use strict;
use warnings;
use JSON::PP;
my ($file, $all) = @ARGV;
open my $in, '<', $file or die "cannot read $file\n";
local $/;
my $doc = decode_json(<$in>);
my %unreachable = map { $_ => 1 } qw(music_tests gravewake_data_tests);
my @numbers;
my $n = 0;
for my $t (@{ $doc->{tests} }) {
    $n++;
    my $exe = $t->{command} && @{ $t->{command} } ? $t->{command}[0] : '';
    $exe =~ s{.*/}{};
    push @numbers, $n if $all || !$unreachable{$exe};
}
die "no tests found\n" unless @numbers;
print "0,0,0,", join(',', @numbers), "\n";
PERL
testCount=$(tr ',' '\n' <"$run/tests" | tail -n +4 | wc -l)

# Runs the chosen tests; prints the names of the failed ones into FAILED.
run_tests() { # LOG FAILED
    local log=$1 failed=$2 status
    run_limited "$testLimit" "$log" ctest --test-dir "$work/build" -j"$jobs" --stop-on-failure \
        --output-on-failure -I "$run/tests"
    status=$?
    # ctest's closing list: "The following tests FAILED:", then "  12 - Name (Failed)".
    awk '/^The following tests FAILED:/ { list = 1; next }
         list && /^[ \t]+[0-9]+ - / { sub(/^[ \t]+[0-9]+ - /, ""); print; next }
         { list = 0 }' "$log" >"$failed" 2>/dev/null
    return "$status"
}

run_tsan_tests() { # LOG FAILED
    local log=$1 failed=$2 status
    run_limited "$testLimit" "$log" env TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
        ctest --test-dir "$work/build-tsan" -L audio -j"$jobs" --stop-on-failure --output-on-failure
    status=$?
    awk '/^The following tests FAILED:/ { list = 1; next }
         list && /^[ \t]+[0-9]+ - / { sub(/^[ \t]+[0-9]+ - /, ""); print; next }
         { list = 0 }' "$log" >"$failed" 2>/dev/null
    return "$status"
}

if ((baseline)); then
    if [[ -f $work/baseline-ok && $(<"$work/baseline-ok") == "$tree" ]]; then
        stamp
        echo "the unchanged copy passed its $testCount tests before (sources $tree)"
    else
        stamp
        echo "checking that the unchanged copy passes its $testCount tests"
        started=$SECONDS
        run_tests "$work/logs/baseline.log" "$run/failed"
        status=$?
        if ((status != 0)); then
            ((status == 124)) && echo "    the tests ran past $testLimit s"
            sed 's/^/    failed: /' "$run/failed"
            echo "mutate.sh: the unchanged copy fails its tests (see $work/logs/baseline.log);" \
                "faults could not be told apart from that" >&2
            exit 3
        fi
        if ((tsan)); then
            run_tsan_tests "$work/logs/baseline-tsan.log" "$run/failed"
            status=$?
            if ((status != 0)); then
                sed 's/^/    failed under ThreadSanitizer: /' "$run/failed"
                echo "mutate.sh: the unchanged copy fails its ThreadSanitizer tests" \
                    "(see $work/logs/baseline-tsan.log)" >&2
                exit 3
            fi
        fi
        echo "$tree" >"$work/baseline-ok"
        echo "    passed in $((SECONDS - started)) s"
    fi
fi

# --- The faults ---------------------------------------------------------------------------

# Builds and tests the scratch copy with a fault in place; sets result and the counts.
# LOG collects the build and test output.
judge() { # LOG
    local log=$1 status failedBy
    run_limited "$buildLimit" "$run/build.log" cmake --build "$work/build"
    status=$?
    lastBuild="$run/build.log"
    cat "$run/build.log" >>"$log"
    if ((status == 0)); then
        run_tests "$run/tests.log" "$run/failed"
        status=$?
        cat "$run/tests.log" >>"$log"
        failedBy=""
        if ((status == 0 && tsan)); then
            build_tsan "$run/build.log"
            status=$?
            lastBuild="$run/build.log"
            cat "$run/build.log" >>"$log"
            if ((status != 0)); then
                status=200 # built, but not with ThreadSanitizer
            else
                run_tsan_tests "$run/tests.log" "$run/failed"
                status=$?
                cat "$run/tests.log" >>"$log"
                failedBy=" under ThreadSanitizer"
            fi
        fi
    else
        status=$((status == 124 ? 201 : 200))
    fi
    case $status in
    0)
        result="survived"
        outcome[$n]=survived
        survived=$((survived + 1))
        ;;
    200 | 201)
        result="killed (build$( ((status == 201)) && echo " ran past $buildLimit s"))"
        outcome[$n]=build
        killedBuild=$((killedBuild + 1))
        ;;
    *)
        if ((status == 124)); then
            result="killed (the tests ran past $testLimit s$failedBy)"
        elif [[ -s $run/failed ]]; then
            result="killed by $(head -1 "$run/failed")$failedBy"
            (($(wc -l <"$run/failed") > 1)) && result+=" and $(($(wc -l <"$run/failed") - 1)) more"
        else
            result="killed (ctest status $status$failedBy)"
        fi
        outcome[$n]=killed
        killedTests=$((killedTests + 1))
        ;;
    esac
}

stamp
echo "faults to plant, one at a time: ${#picked[@]} ($testCount tests each, at most $testLimit s)"
echo
index=0
for n in "${picked[@]}"; do
    index=$((index + 1))
    id=$(<"$run/faults/$n/id")
    file=$(<"$run/faults/$n/file")
    what=$(<"$run/faults/$n/what")
    log="$work/logs/$(printf '%03d' "$n")-$id.log"
    started=$SECONDS
    printf '[%2d/%d] fault %d  %s  (%s)\n' "$index" "${#picked[@]}" "$n" "$id" "$file"
    printf '        %s\n' "$what"

    if [[ ! -f $work/src/$file ]]; then
        echo "        BAD ENTRY: no $file in the scratch copy"
        outcome[$n]=bad
        badEntries=$((badEntries + 1))
        continue
    fi
    mkdir -p "$(dirname "$work/orig/$file")"
    cp "$work/src/$file" "$work/orig/$file" || exit 2
    current=$file
    if ! apply_fault "$work/src/$file" "$run/faults/$n/find" "$run/faults/$n/with" 2>"$run/apply.err"; then
        echo "        BAD ENTRY: $(<"$run/apply.err")"
        restore_current || exit 2
        outcome[$n]=bad
        badEntries=$((badEntries + 1))
        continue
    fi
    newer_than_build "$work/src/$file"
    (cd "$work/src" && diff -u "$work/orig/$file" "$file") >"$log" 2>&1

    judge "$log"
    done_=$((done_ + 1))
    restore_current || exit 2
    printf '        %s  [%d s]\n' "$result" "$((SECONDS - started))"
    echo "$(date +%F\ %T) fault $n $id: $result" >>"$work/logs/results.txt"
done

summary
