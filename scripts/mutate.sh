#!/usr/bin/env bash
# A small mutation check: plants the faults of scripts/mutations.txt one at a time in a
# scratch copy of the working tree, builds, runs the tests, and reports which faults the
# tests catch ("killed") and which they do not ("survived").
#
#   scripts/mutate.sh                 every fault (one to two hours on two cores)
#   scripts/mutate.sh 3-5 12 Hud      faults 3 to 5, 12, and those matching "Hud"
#   scripts/mutate.sh --list          number, name, file and effect of every fault
#
# The repository's working tree is only read. The scratch copy lives outside it and is
# kept between runs, so that a later run builds incrementally; each run first makes it
# the working tree again, so an interrupted run leaves nothing planted behind. The quick
# tests run first and the first failure ends a fault's run. Faults the ordinary tests miss
# also meet the music tests built with ThreadSanitizer (as scripts/tsan.sh builds them).
# scripts/mutate.sh -h lists the options.
exec python3 -u - "$(cd "$(dirname "$0")/.." && pwd -P)" "$@" <<'PYTHON'
import argparse, collections, fcntl, json, os, re, shutil, subprocess, sys, time
from pathlib import Path

repo = Path(sys.argv[1])
faultFile, KEYS = repo / 'scripts/mutations.txt', ('id', 'file', 'find', 'with', 'what')
ap = argparse.ArgumentParser(prog='scripts/mutate.sh', description='Plants faults, one at a time, and runs the tests.')
ap.add_argument('select', nargs='*', help='a number (7), a range (3-9) or a case-insensitive regular expression '
                'matched against id, file and what (default: every fault)')
ap.add_argument('--list', action='store_true', help='list the faults and check them; build nothing')
ap.add_argument('--work', metavar='DIR', default=os.path.join(os.environ.get('TMPDIR') or '/tmp', 'gravewake-mutate'),
                help='the scratch folder, outside the repository (default: %(default)s)')
ap.add_argument('--fresh', action='store_true', help='remove the scratch copy and its builds first')
ap.add_argument('--timeout', type=int, default=1800, metavar='SEC', help='limit for the tests of one fault (1800)')
ap.add_argument('--jobs', type=int, default=2, metavar='N', help='tests run at the same time (2)')
ap.add_argument('--no-tsan', dest='tsan', action='store_false', help='leave out the ThreadSanitizer music tests')
ap.add_argument('--no-baseline', dest='baseline', action='store_false', help='skip checking the unchanged copy')
opt = ap.parse_intermixed_args(sys.argv[2:])

def die(msg, status=2):
    print('mutate.sh: ' + msg, file=sys.stderr)
    sys.exit(status)

faults, bad, ids = [], set(), {}  # the faults, as dicts, and the numbers of the bad entries
text = '\n'.join(line.rstrip('\r') for line in faultFile.read_text().split('\n') if not line.startswith('#'))
for n, block in enumerate((b for b in re.split(r'\n[ \t]*\n', text) if b.strip()), 1):
    faults.append(f := {})
    why = []
    for line in block.strip('\n').split('\n'):
        m = re.fullmatch(r'(id|file|find|with|what):(?: (.*))?', line)
        if not m or m[1] in f: why.append(f'{"a second" if m else "not a key: value"} line: {line}')
        else: f[m[1]] = (m[2] or '').replace('\\n', '\n') if m[1] in ('find', 'with') else m[2] or ''
    why += [f'no "{k}:" line' for k in KEYS if k not in f] + ['empty find text'] * (f.get('find') == '')
    if 'id' in f and ids.setdefault(f['id'], n) != n: why.append(f'id also used by fault {ids[f["id"]]}')
    if f.get('file') and f.get('find'):
        path = (repo / f['file']).resolve()
        if not path.is_relative_to(repo) or not path.is_file(): why.append(f'no file {f["file"]} in the repository')
        elif (c := path.read_bytes().count(f['find'].encode())) != 1: why.append(f'find text occurs {c} times (must be once)')
    if why:
        bad.add(n)
        print(f'bad entry {n} ({f.get("id", "no id")}): ' + '; '.join(why), file=sys.stderr)

picked = []
for s in opt.select or [f'1-{len(faults)}']:
    if m := re.fullmatch(r'(\d+)(?:-(\d+))?', s): these = range(int(m[1]), int(m[2] or m[1]) + 1)
    else:
        try: these = [n for n, f in enumerate(faults, 1) if re.search(s, ' '.join(f.get(k, '') for k in ('id', 'file', 'what')), re.I)]
        except re.error as e: die(f'not a regular expression: {s} ({e})')
    if not these or not 1 <= min(these) <= max(these) <= len(faults): die(f'no fault {s} (they go from 1 to {len(faults)})')
    picked += [n for n in these if n not in picked]
if opt.list:
    for n in picked: print(f'{n:3}  {faults[n-1].get("id", ""):30} {faults[n-1].get("file", ""):26} {faults[n-1].get("what", "")}')
    print(f'{len(faults)} faults in {faultFile}' + ('; some entries are bad (see above)' if bad else ''))
    sys.exit(1 if bad else 0)
if bad & set(picked): die('fix the bad entries among the chosen faults first (scripts/mutate.sh --list)')

work = Path(opt.work).resolve()
if work == repo or repo in work.parents or work in repo.parents: die(f'the scratch folder must lie outside the repository: {work}')
src, builds, logs = work / 'src', (work / 'build', work / 'build-tsan'), work / 'logs'
if opt.fresh: shutil.rmtree(work, ignore_errors=True)
logs.mkdir(parents=True, exist_ok=True)
lock = open(work / 'lock', 'w')  # one run at a time in a scratch folder
try: fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
except OSError: die(f'another run is using {work}')
stages = (False, True)[:1 + opt.tsan]  # True: the ThreadSanitizer build
FAILED = re.compile(rb'^\s*\d+/\d+ Test +#\d+: (\S+) .*\*\*\*(?:Failed|Timeout|Exception)|\*\*\*Not Run', re.M)

def run(cmd, log, limit, env=None):  # the status; 124 past LIMIT seconds; a failing ctest is stopped at once
    child = subprocess.Popen(cmd, stdout=log.open('ab'), stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                             start_new_session=True, env=env and {**os.environ, **env})
    try:
        for _ in range(max(1, int(limit))):
            try: return child.wait(1)
            except subprocess.TimeoutExpired:
                if cmd[0] == 'ctest' and FAILED.search(log.read_bytes()): return 8
        return 124
    finally:  # the whole process group, so that nothing a test started lives on
        if child.poll() is None:
            os.killpg(child.pid, 9)
            child.wait()

def judge(log, tests):  # 'build', 'tests' or 'survived', and the words for it
    for tsan in stages:
        if run(['cmake', '--build', builds[tsan]] + ['--target', 'gravewake_audio_tests', 'snesapu'] * tsan, log, 3600):
            return 'build', 'killed (build)'
        end, status = time.time() + opt.timeout, 0
        for part in [['-L', 'audio']] if tsan else [['-I', '0,0,0,' + ','.join(p)] for p in tests if p]:
            status = status or run(['ctest', '--test-dir', builds[tsan], f'-j{opt.jobs}', '--output-on-failure'] + part,
                                   log, end - time.time(), {'TSAN_OPTIONS': 'halt_on_error=1'} if tsan else None)
        under = ' under ThreadSanitizer' * tsan
        if status == 124: return 'tests', f'killed (the tests ran past {opt.timeout} s{under})'
        if status: return 'tests', f'killed by {([m[1].decode() for m in FAILED.finditer(log.read_bytes()) if m[1]] or ["ctest"])[0]}{under}'
    return 'survived', 'survived'

# The scratch copy made the working tree again: only what differs is copied, so the rest keeps its time
# stamps and the build stays incremental.
listed = subprocess.run(['git', 'ls-files', '-z', '--cached', '--others', '--exclude-standard'], cwd=repo,
                        capture_output=True, check=True).stdout.decode().split('\0')
files, known, changed = sorted(f for f in set(listed) if f and (repo / f).is_file()), work / 'files', 0
for f in files:
    if not (src / f).is_file() or (src / f).read_bytes() != (repo / f).read_bytes():
        (src / f).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(repo / f, src / f)
        changed += 1
for f in set(known.read_text().split('\n')) - set(files) - {''} if known.exists() else ():
    (src / f).unlink(missing_ok=True)
known.write_text('\n'.join(files) + '\n')
print(f'the scratch copy in {src}: {len(files)} files, {changed} changed since the last run')
flags = '-fsanitize=thread -fno-omit-frame-pointer'
for tsan in stages:
    if not (builds[tsan] / 'build.ninja').exists() and run(
            ['cmake', '-S', src, '-B', builds[tsan], '-G', 'Ninja', '-DCMAKE_BUILD_TYPE=RelWithDebInfo'] +
            [f'-DCMAKE_C_FLAGS={flags}', f'-DCMAKE_CXX_FLAGS={flags}', '-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread',
             '-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread'] * tsan, logs / 'configure.log', 600):
        die(f'configuring failed (see {logs}/configure.log)')
print('building the unchanged copy' + (' and checking that it passes' if opt.baseline else ''))
(log := logs / 'baseline.log').write_text('')
if run(['cmake', '--build', builds[0]], log, 3600): die(f'the unchanged copy does not build (see {log})')
# Every test but those of the tune and picture generators, which link nothing a fault can change; the quick
# ones (by the times of the last run) first, so that a fault they catch costs a minute.
listing = json.loads(subprocess.run(['ctest', '--show-only=json-v1'], cwd=builds[0], capture_output=True, check=True).stdout)
costs = builds[0] / 'Testing/Temporary/CTestCostData.txt'
cost = {l.split()[0]: float(l.split()[-1]) for l in costs.read_text().split('---')[0].splitlines() if l.strip()} if costs.exists() else {}
chosen = [(str(i), t['name']) for i, t in enumerate(listing['tests'], 1)
          if os.path.basename((t.get('command') or [''])[0]) not in ('music_tests', 'gravewake_data_tests')]
tests = [[i for i, name in chosen if cost.get(name, 0) < limit] for limit in (15, 1e9)]
tests[1] = [i for i in tests[1] if i not in tests[0]]
if opt.baseline and judge(log, tests)[0] != 'survived': die(f'the unchanged copy fails its tests (see {log})', 3)

print(f'faults to plant, one at a time: {len(picked)} ({len(chosen)} tests each, at most {opt.timeout} s)\n')
counts, survivors = collections.Counter(), []
for i, n in enumerate(picked, 1):
    f, started, path = faults[n - 1], time.time(), src / faults[n - 1]['file']
    print(f'[{i:2}/{len(picked)}] fault {n}  {f["id"]}  ({f["file"]})')
    text = path.read_bytes()
    (log := logs / f'{n:03}-{f["id"]}.log').write_text(f'{f["file"]}\n--- find\n{f["find"]}\n+++ with\n{f["with"]}\n')
    try:
        path.write_bytes(text.replace(f['find'].encode(), f['with'].encode(), 1))
        os.utime(path, ns=(time.time_ns() + 10**9,) * 2)  # newer than anything the last build wrote
        outcome, result = judge(log, tests)
    finally:  # the file as it was, again newer than the build, so that the next build redoes it
        path.write_bytes(text)
        os.utime(path, ns=(time.time_ns() + 10**9,) * 2)
    counts[outcome] += 1
    survivors += [n] * (outcome == 'survived')
    print(f'        {result}  [{time.time() - started:.0f} s]')
print(f'\n==== score: {counts["tests"] + counts["build"]} killed of {len(picked)} ({counts["tests"]} by the tests, '
      f'{counts["build"]} by the build; {counts["survived"]} survived)')
for n in survivors: print(f'  survived {n:3}  {faults[n-1]["id"]:30} {faults[n-1]["file"]}\n           {faults[n-1]["what"]}')
print(f'logs: {logs}')
PYTHON
