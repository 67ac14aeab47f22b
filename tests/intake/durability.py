#!/usr/bin/env python3
"""Nothing acknowledged is lost: clients send reports to a live night while the service is killed
with SIGKILL at a random moment. After a restart on the same store every report that got a 2xx
must be in the audit trail with its figures, nothing that was never sent may be, and the service's
answers must equal a recount of the trail.
Usage: durability.py SERVICE DATA_FILE [--reports N] [--clients C] [--runs R] [--seed S] [--store URL]"""
import argparse, http.client, math, os, random, signal, sys, tempfile, threading, time
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import livenight

parser = argparse.ArgumentParser()
parser.add_argument("service")
parser.add_argument("data")
parser.add_argument("--reports", type=int, default=10000)
parser.add_argument("--clients", type=int, default=20)
parser.add_argument("--runs", type=int, default=1)
parser.add_argument("--seed", type=int, default=None)
options = parser.parse_args()
seed = options.seed if options.seed is not None else random.randrange(1 << 30)
codes = livenight.municipalities(options.data)
each = math.ceil(options.reports / len(codes))
failures = 0

for run in range(options.runs):
    chance = random.Random(seed + run)
    with tempfile.TemporaryDirectory() as folder:
        districts, reporters = livenight.write_files(folder, options.data, each)
        store = os.path.join(folder, "night.sqlite")
        arguments = ["--night", "live", "--districts", districts, "--reporters", reporters, "--store", store]
        process, _, intake = livenight.start(options.service, *arguments)
        reports = [(codes[i % len(codes)], i // len(codes) + 1, livenight.figures_for(seed + i)) for i in range(options.reports)]
        chance.shuffle(reports)
        acked, sent, lock = {}, set(), threading.Lock()
        kill_after = chance.randrange(options.reports // 10, options.reports * 9 // 10)

        def client(share):
            connection = http.client.HTTPConnection("127.0.0.1", intake, timeout=30)
            for municipality, district, figures in share:
                with lock:
                    sent.add((municipality, district))
                status = livenight.put(connection, municipality, district, figures)
                if status is None:
                    return    # the service is gone
                if 200 <= status < 300:
                    with lock:
                        acked[(municipality, district)] = figures
                        if len(acked) == kill_after:
                            process.send_signal(signal.SIGKILL)

        began = time.time()
        threads = [threading.Thread(target=client, args=(reports[c::options.clients],)) for c in range(options.clients)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        took = time.time() - began
        process.wait()

        process, soap_port, _ = livenight.start(options.service, *arguments)
        counted = livenight.recount(livenight.audit(options.service, store))
        lost = [k for k, f in acked.items() if counted.get(k) != tuple(f[n] for n in ("yes", "no", "blank", "invalid"))]
        invented = [k for k in counted if k not in sent]
        for _ in range(10):    # answers show what the store has within a moment of the start
            problems = livenight.check_answers(soap_port, counted)
            if not problems:
                break
            time.sleep(0.2)
        process.terminate()
        process.wait()
        print("run %d (seed %d): killed after %d acknowledged of %d sent in %.1f s; %d in the trail after restart "
              "(%d in flight at the kill); lost %d, never sent %d, answers differing from the recount %d"
              % (run + 1, seed + run, len(acked), len(sent), took, len(counted), len(counted) - len(acked) + len(lost),
                 len(lost), len(invented), len(problems)))
        for problem in (lost[:5] + invented[:5] + problems[:5]):
            print("  ", problem)
        failures += bool(lost or invented or problems or len(acked) < kill_after)
sys.exit(1 if failures else 0)
