"""A live night of the results service for tests and benchmarks: its files, the service as a
process, reports sent to its intake, answers read from its SOAP port, the audit trail read back."""
import csv, hashlib, http.client, io, os, re, subprocess, time

TOKEN = "durability-token-0123456789"
SOAP_PATH = "/emu2003/webservices/ElectionResults/soap"
NS = "http://valresultat.kestrova.example/ElectionResults.wsdl"
ELECTORATE = 5000


def municipalities(data_file):
    """The municipality codes of a data file, in its order."""
    with open(data_file, encoding="utf-8") as f:
        return [line.split("\t")[1] for line in f if line.startswith("municipality\t")]


def write_files(folder, data_file, districts_each):
    """A districts file giving every municipality `districts_each` districts of ELECTORATE voters,
    and a reporters file with one admin who may report every county. Returns their paths."""
    districts = os.path.join(folder, "districts.tsv")
    with open(districts, "w", encoding="utf-8") as f:
        f.write("municipality\tdistrict\tname\telectorate\n")
        for m in municipalities(data_file):
            for d in range(1, districts_each + 1):
                f.write("%s\t%d\tDistrikt %d\t%d\n" % (m, d, d, ELECTORATE))
    reporters = os.path.join(folder, "reporters.tsv")
    with open(reporters, "w", encoding="utf-8") as f:
        f.write("tester\t%s\t*\tadmin\n" % hashlib.sha256(TOKEN.encode()).hexdigest())
    return districts, reporters


def start(service, *arguments):
    """Starts the service and waits until it listens; returns (process, soap port, intake port)."""
    process = subprocess.Popen([service, "--port", "0", "--intake-port", "0", "--quiet", *arguments],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    intake = None
    for line in process.stdout:
        found = re.match(r"Rapporter: https?://[^ ]*:(\d+)/", line)
        intake = int(found.group(1)) if found else intake
        found = re.match(r"WSDL: http://[^ ]*:(\d+)/", line)
        if found:
            return process, int(found.group(1)), intake
    raise RuntimeError("the service did not start: " + process.stderr.read())


def figures_for(seed):
    """Figures that fit the electorate, different for every seed."""
    return {"yes": 1000 + seed % 997, "no": 800 + seed % 503, "blank": seed % 41, "invalid": seed % 13}


def put(connection, municipality, district, figures):
    """Sends one report; its status, or None when the connection failed (the connection is then spent)."""
    body = '{"yes":%(yes)d,"no":%(no)d,"blank":%(blank)d,"invalid":%(invalid)d}' % figures
    try:
        connection.request("PUT", "/reports/%s/%d" % (municipality, district), body,
                           {"Authorization": "Bearer " + TOKEN, "Content-Type": "application/json"})
        answer = connection.getresponse()
        answer.read()
        return answer.status
    except (OSError, http.client.HTTPException):
        return None


def soap(port, operation, county=None, host="127.0.0.1"):
    """One SOAP call; the answer's rows as dicts of their members."""
    argument = '<county xsi:type="xsd:string">%s</county>' % county if county else ""
    body = ('<?xml version="1.0" encoding="UTF-8"?><SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/" '
            'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:xsd="http://www.w3.org/2001/XMLSchema">'
            '<SOAP-ENV:Body><m:%s xmlns:m="%s">%s</m:%s></SOAP-ENV:Body></SOAP-ENV:Envelope>' % (operation, NS, argument, operation))
    connection = http.client.HTTPConnection(host, port, timeout=10)
    connection.request("POST", SOAP_PATH, body, {"Content-Type": "text/xml; charset=utf-8"})
    text = connection.getresponse().read().decode()
    connection.close()
    return [dict(re.findall(r"<(\w+)[^>]*>([^<]*)</\1>", row)) for row in re.findall(r"<item[^>]*>(.*?)</item>", text, re.S)]


def audit(service, store):
    """The audit trail as the service prints it: a list of dicts."""
    text = subprocess.run([service, "--audit", store], capture_output=True, text=True, check=True).stdout
    return list(csv.DictReader(io.StringIO(text)))


def recount(records):
    """Each district's latest figures from an audit trail: {(municipality, district): (yes, no, blank, invalid)}."""
    counted = {}
    for r in records:
        if r["kind"] in ("new", "correction"):
            counted[(r["area"], int(r["district"]))] = tuple(int(r[k]) for k in ("yes", "no", "blank", "invalid"))
    return counted


def check_answers(port, counted):
    """Problems where the service's answers differ from a recount; empty when they agree."""
    problems = []
    def compare(row, districts, name):
        sums = [sum(districts[k][i] for k in districts) for i in range(4)]
        want = {"readyDistricts": len(districts), "yesNum": sums[0], "noNum": sums[1], "blankNum": sums[2], "invalidNum": sums[3]}
        for key, value in want.items():
            if int(row[key]) != value:
                problems.append("%s %s: %s, recount %d" % (name, key, row[key], value))
    compare(soap(port, "getCountryResultsValnatt")[0], counted, "country")
    for row in soap(port, "getCountryResultsValnatt")[1:]:
        code = row["code"]
        rows = soap(port, "getCountyResultsValnatt", code)
        compare(rows[0], {k: v for k, v in counted.items() if k[0].startswith(code)}, "county " + code)
        for m in rows[1:]:
            compare(m, {k: v for k, v in counted.items() if k[0] == m["code"]}, "municipality " + m["code"])
    return problems
