#!/usr/bin/python3
"""attacks.py [--only N,...] SERVICE [SERVICE ...]

The attacks that once hurt the results service, each by one client on loopback, run against each
service binary given (e.g. the one before its HTTP stack was replaced, then the new one), each
attack against a fresh process. Prints what each attack got and what it cost the service: peak
memory, CPU, how long other clients waited, how long the attacker stayed connected.
"""
import os
import resource
import select
import signal
import socket
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
    def __init__(self, binary, *options, files=None):
        limits = (lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (files, files))) if files else None
        self.process = subprocess.Popen([binary, "--port", "0", "--at", "600", *options], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, preexec_fn=limits)
        line = self.process.stdout.readline().decode()
        self.port = int(line.rsplit(":", 1)[1].split("/")[0])
        self.log = []
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


def connect(port, rcvbuf=None):
    s = socket.socket()
    if rcvbuf:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
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
        sys.stdout.flush()


if __name__ == "__main__":
    main()
