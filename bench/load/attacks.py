#!/usr/bin/python3
"""attacks.py [--only N,...] SERVICE [SERVICE ...]

The attacks that once hurt the results service, on loopback, run against each service binary
given (e.g. the previous commit's, then the new one), each attack against a fresh process. Prints
what each attack got and what it cost the service: peak memory, CPU, how long other clients
waited, how long the attacker stayed connected. 1 to 5 are issue 8's (one client each); 16.1 to
16.6 issue 16's, from many connections and client addresses (127.0.0.0/8 is all loopback).
"""
import os
import resource
import select
import selectors
import signal
import socket
import statistics
import subprocess
import sys
import threading
import time

ENDPOINT = b"/emu2003/webservices/ElectionResults/soap"
WSDL = b"/emu2003/webservices/ElectionResults/ElectionResults.wsdl"
CALL = (b'<?xml version="1.0" encoding="UTF-8"?><SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/">'
        b'<SOAP-ENV:Body><m:getCountryResultsValnatt xmlns:m="http://valresultat.kestrova.example/ElectionResults.wsdl"/>'
        b'</SOAP-ENV:Body></SOAP-ENV:Envelope>')
POST = b"POST " + ENDPOINT + b" HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n" % len(CALL) + CALL
MIB = 1024 * 1024


class Service:
    def __init__(self, binary, *options, files=None, stderr=None):
        limits = (lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (files, files))) if files else None
        self.process = subprocess.Popen([binary, "--port", "0", "--at", "600", *options], stdout=subprocess.PIPE,
                                        stderr=stderr or subprocess.PIPE, preexec_fn=limits)
        line = self.process.stdout.readline().decode()
        self.port = int(line.rsplit(":", 1)[1].split("/")[0])
        self.log = []
        if not stderr:
            threading.Thread(target=lambda: self.log.extend(self.process.stderr), daemon=True).start()

    def status(self, field):
        with open("/proc/%d/status" % self.process.pid) as f:
            return next(int(l.split()[1]) for l in f if l.startswith(field + ":"))

    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.process.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def stop(self, signum=signal.SIGTERM):
        """The exit status, or a note that the signal did not stop it within 10 s."""
        self.process.send_signal(signum)
        try:
            code = self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            code = "still running 10 s after the signal; killed"
        time.sleep(0.1)
        return code


def connect(port, rcvbuf=None, source=None):
    s = socket.socket()
    if rcvbuf:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
    if source:
        s.bind((source, 0))
    s.connect(("127.0.0.1", port))
    return s


def read_until_closed(s, limit):
    s.settimeout(limit)
    data = b""
    try:
        while True:
            chunk = s.recv(65536)
            if not chunk:
                return data, True
            data += chunk
    except socket.timeout:
        return data, False
    except OSError:
        return data, True


def first_status(data):
    return data.split(b"\r\n", 1)[0].decode(errors="replace") if data else "(nothing)"


def probe_latency(port, stop, worst):
    """A well-behaved client meanwhile: one call at a time, the slowest kept."""
    while not stop.is_set():
        began = time.time()
        try:
            s = connect(port)
            s.sendall(POST)
            s.settimeout(30)
            data = b""
            while b"QueryResult[22]" not in data or not data.rstrip().endswith(b"Envelope>"):
                chunk = s.recv(65536)
                if not chunk:
                    break
                data += chunk
            s.close()
        except OSError:
            pass
        worst[0] = max(worst[0], time.time() - began)
        time.sleep(0.05)


def with_probe(service, attack):
    stop, worst = threading.Event(), [0.0]
    probe = threading.Thread(target=probe_latency, args=(service.port, stop, worst))
    probe.start()
    try:
        result = attack()
    finally:
        stop.set()
        probe.join()
    return result, worst[0]


def conflicting_lengths(binary):
    """1. Four connections: Content-Length 200 MiB, then a second Content-Length of 10; then a body
    that reads as a stream of small requests to whoever takes the second length."""
    service = Service(binary, "--quiet")
    head = b"POST " + ENDPOINT + b" HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\nContent-Length: 10\r\n\r\n" % (200 * MIB)
    results = []

    def one():
        s = connect(service.port)
        sent, chunk, began = 0, (b"GET / HTTP/1.1\r\n\r\n" * (MIB // 18 + 1))[:MIB], time.time()
        try:
            s.sendall(head)
            while sent < 200 * MIB and time.time() - began < 20:
                s.sendall(chunk)
                sent += len(chunk)
        except OSError:
            pass
        data, _ = read_until_closed(s, 2)
        results.append((first_status(data), sent))
        s.close()

    threads = [threading.Thread(target=one) for _ in range(4)]
    [t.start() for t in threads]
    [t.join() for t in threads]
    peak = service.status("VmHWM") / 1024
    stopped = service.stop()
    return "answers %s; sent before the close %s MiB; peak memory %.0f MB; SIGTERM: %s" % (
        sorted({r[0] for r in results}), "/".join(str(r[1] // MIB) for r in results), peak, stopped)


def blank_lines(binary):
    """2a. 3 MiB of empty lines on one connection, while another client calls."""
    service = Service(binary, "--quiet")

    def attack():
        s = connect(service.port)
        began = time.time()
        try:
            s.sendall(b"\r\n" * (3 * MIB // 2))
        except OSError:
            pass
        data, closed = read_until_closed(s, 30)
        return first_status(data), time.time() - began

    (status, held), worst = with_probe(service, attack)
    cpu = service.cpu_seconds()
    service.stop()
    return "answer %s after %.2f s; service CPU %.2f s; another client waited at most %.0f ms" % (
        status, held, cpu, worst * 1000)


def pipelined(binary, count):
    """2b. `count` valid calls in one send; time until the last answer is in."""
    service = Service(binary, "--quiet")
    s = connect(service.port)
    began = time.time()
    s.sendall(POST * count)
    s.settimeout(30)
    answers, data = 0, b""
    try:
        while answers < count:
            chunk = s.recv(1 << 20)
            if not chunk:
                break
            data += chunk
            answers += chunk.count(b"HTTP/1.1 200")
            data = data[-32:]
    except OSError:
        pass
    took = time.time() - began
    s.close()
    service.stop()
    return "%d of %d answered in %.2f s" % (answers, count, took)


def non_readers(binary):
    """3. Four clients pipeline calls for 35 s and never read an answer."""
    service = Service(binary, "--quiet")

    def attack():
        stop = time.time() + 35
        sockets = [connect(service.port, rcvbuf=4096) for _ in range(4)]
        for s in sockets:
            s.setblocking(False)
        cpu_before = service.cpu_seconds()
        closed_at = {}
        pending = [b""] * len(sockets)
        while time.time() < stop:
            for i, s in enumerate(sockets):
                if i in closed_at:
                    continue
                try:
                    pending[i] = pending[i] or POST * 64
                    pending[i] = pending[i][s.send(pending[i]):]
                except BlockingIOError:
                    pass
                except OSError:
                    closed_at[i] = time.time() + 35 - stop
            time.sleep(0.001)
        cpu = service.cpu_seconds() - cpu_before
        for s in sockets:
            s.close()
        return cpu, closed_at

    (cpu, closed_at), worst = with_probe(service, attack)
    service.stop()
    return "service CPU %.0f %% of one core over 35 s; non-readers closed: %d of 4%s; another client waited at most %.0f ms" % (
        cpu / 35 * 100, len(closed_at), (" (after %.0f s)" % max(closed_at.values())) if closed_at else "", worst * 1000)


def supports(binary, option):
    return option.encode() in subprocess.run([binary, "--help"], capture_output=True).stdout


def slowloris(binary, files=None):
    """4. 1,000 connections each sending a byte every 2 s; how many are still open over 15 s. With
    few files, no cap per client: the process runs out of descriptors, or reaches its cap first."""
    options = ["--quiet"]
    if files and supports(binary, "--max-connections-per-client"):
        options += ["--max-connections-per-client", "0"]
    service = Service(binary, *options, files=files)
    sockets = []
    for _ in range(1000):
        try:
            sockets.append(connect(service.port))
        except OSError:
            break
    opened = len(sockets)
    began, open_now = time.time(), sockets
    cpu_before = service.cpu_seconds()
    message = b"GET / HTTP/1.1\r\nX-a: " + b"b" * 10000
    position, counts = 0, []
    while time.time() - began < 15:
        still = []
        readable = select.select(open_now, [], [], 0)[0]
        for s in open_now:
            try:
                if s in readable and not s.recv(4096, socket.MSG_PEEK):
                    raise OSError
                s.send(message[position:position + 1])
                still.append(s)
            except OSError:
                s.close()
        open_now = still
        counts.append(len(still))
        position += 1
        time.sleep(2)
    cpu = service.cpu_seconds() - cpu_before
    served = "yes"
    try:
        s = connect(service.port)
        s.sendall(POST)
        data, _ = read_until_closed(s, 5)
        served = first_status(data)
        s.close()
    except OSError as e:
        served = str(e)
    for s in open_now:
        s.close()
    service.stop()
    return "%d connected; open every 2 s: %s; service CPU %.0f %% of a core; a new call meanwhile: %s" % (
        opened, " ".join(map(str, counts)), cpu / 15 * 100, served)


def exchange(binary, request, options=("--quiet",)):
    service = Service(binary, *options)
    s = connect(service.port)
    s.sendall(request)
    data, closed = read_until_closed(s, 3)
    s.close()
    service.stop()
    return data, closed


def small(binary):
    """5. The smaller ones."""
    lines = []
    data, _ = exchange(binary, b"GET " + WSDL + b" HTTP/1.1\r\nHost: x\r\nX-Big: " + b"a" * 70000 + b"\r\n\r\n")
    lines.append("70,000-byte header in one read: %s" % first_status(data))
    many = b"".join(b"X-%d: y\r\n" % i for i in range(110))
    smuggled = b"GET /smuggled HTTP/1.1\r\nHost: x\r\n\r\n"
    data, _ = exchange(binary, b"POST " + ENDPOINT + b" HTTP/1.1\r\nHost: x\r\n" + many +
                       b"Content-Length: %d\r\n\r\n" % len(smuggled) + smuggled)
    answers = [l.decode() for l in data.split(b"\r\n") if l.startswith(b"HTTP/1.")]
    lines.append("110 header lines, Content-Length last, the body a request: %s" % answers)
    data, closed = exchange(binary, b"GET " + WSDL + b" HTTP/1.0\r\n\r\n")
    lines.append("HTTP/1.0 without keep-alive: %s, %s" % (first_status(data), "closed" if closed else "kept open"))
    for host in (b"....", b"-", b"x.example:99999"):
        data, _ = exchange(binary, b"GET " + WSDL + b" HTTP/1.1\r\nHost: " + host + b"\r\n\r\n")
        at = data.find(b'location="')
        lines.append("Host %s: %s" % (host.decode(), data[at:data.find(b'"', at + 10) + 1].decode() if at >= 0 else "-"))
    service = Service(binary)
    code = service.stop(signal.SIGHUP)
    said = [l.decode().strip() for l in service.log if b"signal" in l]
    lines.append("SIGHUP: exit %s, log %s" % (code, said or "(nothing)"))
    return "\n    ".join(lines)


def answer_length(data):
    """The length of the first complete HTTP answer at the start of data, or None."""
    end = data.find(b"\r\n\r\n")
    if end < 0:
        return None
    head = data[:end].lower()
    at = head.find(b"\r\ncontent-length:")
    length = int(head[at + 17:].split(b"\r\n", 1)[0]) if at >= 0 else 0
    return end + 4 + length if len(data) >= end + 4 + length else None


def read_answer(s):
    """Reads until one whole HTTP answer has come or the peer closes; returns what came."""
    data = b""
    while answer_length(data) is None:
        chunk = s.recv(65536)
        if not chunk:
            break
        data += chunk
    return data


def call(port, source=None, timeout=10):
    """One call on a new connection: its status line and how long it took."""
    began = time.time()
    try:
        s = connect(port, source=source)
        s.settimeout(timeout)
        s.sendall(POST)
        data = read_answer(s)
        s.close()
        return first_status(data), time.time() - began
    except OSError as e:
        return type(e).__name__, time.time() - began


def many_files():
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    return hard


def rss_mb(service, field="VmRSS"):
    return service.status(field) / 1024


def attribute_flood(binary):
    """16.1. 32 connections from one address send, in turn, calls of 63 KiB whose operation
    element carries 7,267 empty attributes, about 0.6 MB/s in all, for 20 s; meanwhile other
    clients call one at a time from another address."""
    service = Service(binary, "--quiet")
    attributes = b"".join(b' a%d=""' % i for i in range(7267))
    body = CALL.replace(b"<m:getCountryResultsValnatt ", b"<m:getCountryResultsValnatt" + attributes + b" ")
    flood = b"POST " + ENDPOINT + b" HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n" % len(body) + body
    stop, sent = threading.Event(), [0]
    interval = 32 * len(flood) / 600000

    def attacker(index):
        try:
            s = connect(service.port, source="127.0.0.2")
        except OSError:
            return
        s.settimeout(30)
        next_at = time.time() + index * interval / 32
        while not stop.is_set():
            time.sleep(max(0, next_at - time.time()))
            next_at += interval
            try:
                s.sendall(flood)
                sent[0] += 1
                if answer_length(read_answer(s)) is None:
                    return
            except OSError:
                return

    def probe(times):
        while not stop.is_set():
            status, took = call(service.port, source="127.0.0.1")
            times.append((status, took))
            time.sleep(0.02)

    attackers = [threading.Thread(target=attacker, args=(i,)) for i in range(32)]
    cpu_before = service.cpu_seconds()
    times = []
    probes = [threading.Thread(target=probe, args=(times,)) for _ in range(2)]
    for t in attackers + probes:
        t.start()
    time.sleep(20)
    stop.set()
    for t in attackers + probes:
        t.join()
    cpu = service.cpu_seconds() - cpu_before
    service.stop()
    took = sorted(t for status, t in times if status.startswith("HTTP/1.1 200"))
    failed = sum(1 for status, _ in times if not status.startswith("HTTP/1.1 200"))
    return ("%d flood calls (%.2f MB/s); service CPU %.0f %% of a core; other clients: %d calls, median %.1f ms, "
            "worst %.0f ms, %d failed" % (sent[0], sent[0] * len(flood) / 20 / 1e6, cpu / 20 * 100, len(took),
                                           statistics.median(took) * 1000 if took else 0,
                                           took[-1] * 1000 if took else 0, failed))


def unfinished_bodies(binary):
    """16.2. 4,000 connections from 40 addresses each send a head claiming 65,536 body bytes and
    65,000 of them, and hold; then they all leave."""
    many_files()
    service = Service(binary, "--quiet")
    base = rss_mb(service)
    head = b"POST " + ENDPOINT + b" HTTP/1.1\r\nHost: x\r\nContent-Length: 65536\r\n\r\n"
    sockets = []
    for address in range(40):
        for _ in range(100):
            try:
                s = connect(service.port, source="127.0.1.%d" % (address + 1))
                s.setblocking(False)
                sockets.append([s, head + b" " * 65000])
            except OSError:
                pass
    deadline = time.time() + 20
    while time.time() < deadline and any(rest for _, rest in sockets):
        for entry in sockets:
            if entry[1]:
                try:
                    entry[1] = entry[1][entry[0].send(entry[1]):]
                except (BlockingIOError, InterruptedError):
                    pass
                except OSError:
                    entry[1] = b""
        time.sleep(0.01)
    time.sleep(3)
    held, peak = rss_mb(service), rss_mb(service, "VmHWM")
    meanwhile, _ = call(service.port, source="127.0.0.1")
    refused = 0
    for s, _ in sockets:
        try:
            refused += s.recv(64).startswith(b"HTTP/1.1 503")
        except OSError:
            pass
    for s, _ in sockets:
        s.close()
    after = []
    for wait in (1, 4, 5):
        time.sleep(wait)
        after.append(rss_mb(service))
    status, _ = call(service.port)
    service.stop()
    return ("%d connected; RSS %.0f MB before, %.0f MB held, peak %.0f MB; %d answered 503; a call meanwhile: %s; "
            "RSS after they left: %.0f / %.0f / %.0f MB at 1 / 5 / 10 s; a call then: %s"
            % (len(sockets), base, held, peak, refused, meanwhile, *after, status))


def idle_hold(binary):
    """16.3. 10,100 connections from 110 addresses each make one call and then stay silent, kept
    alive; then a viewer calls from another address."""
    many_files()
    service = Service(binary, "--quiet")
    selector = selectors.DefaultSelector()
    opened, answered = 0, 0
    sockets = []
    cpu_before = service.cpu_seconds()
    for index in range(10100):
        try:
            s = connect(service.port, source="127.0.2.%d" % (index % 110 + 1))
        except OSError:
            continue
        opened += 1
        s.setblocking(False)
        try:
            s.send(POST)
        except OSError:
            s.close()
            continue
        sockets.append(s)
        selector.register(s, selectors.EVENT_READ, [b""])
    deadline = time.time() + 30
    pending = len(sockets)
    while pending and time.time() < deadline:
        for key, _ in selector.select(1):
            try:
                chunk = key.fileobj.recv(65536)
            except OSError:
                chunk = b""
            key.data[0] += chunk
            if not chunk or answer_length(key.data[0]) is not None:
                answered += key.data[0].startswith(b"HTTP/1.1 200")
                selector.unregister(key.fileobj)
                pending -= 1
    memory = rss_mb(service)
    cpu = service.cpu_seconds() - cpu_before
    status, took = call(service.port, source="127.0.0.1")
    time.sleep(10)
    still = 0
    for s in sockets:
        try:
            s.setblocking(False)
            still += len(s.recv(1, socket.MSG_PEEK)) > 0
        except BlockingIOError:
            still += 1
        except OSError:
            pass
    for s in sockets:
        s.close()
    service.stop()
    return ("%d connected, %d answered 200 (service CPU %.1f s, RSS %.0f MB); a viewer then: %s in %.0f ms; "
            "attackers' connections still open 10 s later: %d" % (opened, answered, cpu, memory, status, took * 1000, still))


def stalled_log(binary):
    """16.4. Standard error a pipe that nobody reads; 3,000 calls one after the other, each given
    2 s; then SIGTERM."""
    reader, writer = os.pipe()
    service = Service(binary, stderr=writer)
    s = connect(service.port)
    s.settimeout(2)
    answered = 0
    try:
        for _ in range(3000):
            s.sendall(POST)
            if answer_length(read_answer(s)) is None:
                raise OSError
            answered += 1
    except OSError:
        pass
    s.close()
    began = time.time()
    code = service.stop()
    took = time.time() - began
    os.close(reader)
    os.close(writer)
    return "%d of 3000 calls answered; SIGTERM: %s after %.1f s" % (answered, code, took)


def drain(binary):
    """16.5. 100 keep-alive clients call one after the other as fast as they can; after 3 s,
    SIGTERM. A call is lost when it was sent whole and its connection closed before its answer."""
    service = Service(binary, "--quiet")
    counts = {"answered": 0, "lost": 0, "closing": 0, "refused": 0}
    lock = threading.Lock()

    def client():
        while True:
            try:
                s = connect(service.port)
            except OSError:
                with lock:
                    counts["refused"] += 1
                return
            s.settimeout(15)
            while True:
                try:
                    s.sendall(POST)
                except OSError:
                    break    # not sent whole: not received
                try:
                    data = read_answer(s)
                except OSError:
                    data = b""
                with lock:
                    if answer_length(data) is None:
                        counts["lost"] += 1
                        s.close()
                        return
                    counts["answered"] += 1
                    if b"\r\nconnection: close\r\n" in data[:data.find(b"\r\n\r\n") + 2].lower():
                        counts["closing"] += 1
                        break
            s.close()

    threads = [threading.Thread(target=client) for _ in range(100)]
    for t in threads:
        t.start()
    time.sleep(3)
    began = time.time()
    code = service.stop()
    took = time.time() - began
    for t in threads:
        t.join()
    return ("%(answered)d calls answered, %(lost)d lost, %(closing)d answers saying Connection: close, "
            "%(refused)d connections refused after the signal" % counts + "; SIGTERM: exit %s after %.2f s" % (code, took))


def conformance(binary):
    """16.6. RFC 9112: an absolute-form target, as proxies send; HTTP/1.1 without Host."""
    absolute = POST.replace(b"POST " + ENDPOINT, b"POST http://results.example:8803" + ENDPOINT)
    data, _ = exchange(binary, absolute)
    lines = ["absolute-form target: %s" % first_status(data)]
    data, _ = exchange(binary, b"GET " + WSDL + b" HTTP/1.1\r\n\r\n")
    lines.append("HTTP/1.1 without Host: %s" % first_status(data))
    return "; ".join(lines)


def main():
    arguments = sys.argv[1:]
    only = set(arguments[1].split(",")) if arguments[:1] == ["--only"] else None
    binaries = arguments[2:] if only else arguments
    chosen = lambda number: not only or number in only
    for binary in binaries:
        print("== %s" % binary)
        if chosen("1"):
            print("1. conflicting lengths:  ", conflicting_lengths(binary))
        if chosen("2"):
            print("2. empty lines:          ", blank_lines(binary))
            for count in (500, 2000):
                print("2. %4d pipelined:       " % count, pipelined(binary, count))
        if chosen("3"):
            print("3. non-reading clients:  ", non_readers(binary))
        if chosen("4"):
            print("4. slowloris:            ", slowloris(binary))
            print("4. slowloris, 256 files: ", slowloris(binary, files=256))
        if chosen("5"):
            print("5.", small(binary))
        for number, name, attack in (("16.1", "attribute flood:", attribute_flood),
                                     ("16.2", "unfinished bodies:", unfinished_bodies),
                                     ("16.3", "idle connections:", idle_hold), ("16.4", "stalled log:", stalled_log),
                                     ("16.5", "SIGTERM under load:", drain), ("16.6", "RFC 9112:", conformance)):
            if chosen(number):
                print("%-4s %-20s" % (number, name), attack(binary))
                sys.stdout.flush()
        sys.stdout.flush()


if __name__ == "__main__":
    main()
