#!/usr/bin/env python3
"""Reports sent through the balancer's intake while a reader goes round the replicas: every report
acknowledged must be counted by every replica within a second, and no replica's answer may show a
count lower than one the reader saw before. Then single reports, one at a time, for the time from
the acknowledgement to every replica's answer.
Usage: replicas_check.py DATA_FILE DISTRICTS_EACH INTAKE_PORT REPORTS SOAP_PORT... [--probes N] [--offset K]"""
import argparse, http.client, os, sys, threading, time
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import livenight

parser = argparse.ArgumentParser()
parser.add_argument("data")
parser.add_argument("each", type=int)
parser.add_argument("intake", type=int)
parser.add_argument("reports", type=int)
parser.add_argument("replicas", type=int, nargs="+")
parser.add_argument("--probes", type=int, default=0)
parser.add_argument("--offset", type=int, default=0, help="first report's number, so runs do not overlap")
parser.add_argument("--clients", type=int, default=8)
options = parser.parse_args()
codes = livenight.municipalities(options.data)


def district(i):
    return codes[i % len(codes)], i // len(codes) + 1


def country(port):
    row = livenight.soap(port, "getCountryResultsValnatt")[0]
    return int(row["readyDistricts"]), int(row["yesNum"])


acked, lock, stop = [], threading.Lock(), threading.Event()
backwards, reads = [], [0]


def reader():
    last = (0, 0)
    while not stop.is_set():
        for port in options.replicas:
            now = country(port)
            if now[0] < last[0] or now[1] < last[1]:
                backwards.append((port, last, now))
            last = max(last, now)
            reads[0] += 1


def sender(numbers):
    for i in numbers:
        # A new connection each time: the balancer deals connections out in turn.
        connection = http.client.HTTPConnection("127.0.0.1", options.intake, timeout=30)
        status = livenight.put(connection, *district(i), livenight.figures_for(i))
        connection.close()
        if status and 200 <= status < 300:
            with lock:
                acked.append(i)


watcher = threading.Thread(target=reader)
watcher.start()
began = time.time()
numbers = range(options.offset, options.offset + options.reports)
senders = [threading.Thread(target=sender, args=(numbers[c::options.clients],)) for c in range(options.clients)]
for s in senders:
    s.start()
for s in senders:
    s.join()
took = time.time() - began
time.sleep(1.0)    # every replica has it within a second
stop.set()
watcher.join()

expected = len(acked) + options.offset
counts = {port: country(port)[0] for port in options.replicas}
print("%d reports acknowledged of %d in %.1f s (%.0f/s) through port %d; districts counted by replica %s, %d expected; "
      "%d reads round the replicas, %d backward steps"
      % (len(acked), options.reports, took, len(acked) / took, options.intake, " ".join("%d:%d" % kv for kv in counts.items()),
         expected, reads[0], len(backwards)))
for b in backwards[:3]:
    print("   backward on port %d: %s -> %s" % b)

delays = []
for p in range(options.probes):
    i = options.offset + options.reports + p
    connection = http.client.HTTPConnection("127.0.0.1", options.intake, timeout=30)
    before = expected + p
    if livenight.put(connection, *district(i), livenight.figures_for(i)) not in (200, 201):
        sys.exit("probe refused")
    sent = time.time()
    waiting = set(options.replicas)
    while waiting and time.time() - sent < 5:
        waiting = {port for port in waiting if country(port)[0] <= before}
    delays.append(time.time() - sent if not waiting else float("inf"))
if delays:
    delays.sort()
    print("from acknowledgement to every replica's answer, %d single reports: median %.0f ms, max %.0f ms"
          % (len(delays), 1000 * delays[len(delays) // 2], 1000 * delays[-1]))
ok = not backwards and all(c == expected for c in counts.values()) and all(d <= 1.0 for d in delays)
sys.exit(0 if ok else 1)
