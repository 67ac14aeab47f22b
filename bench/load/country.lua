-- wrk script: every request of every connection posts the whole-country election-night call,
-- and every answer is checked to be that call's SOAP answer. With KSV_BENCH_GET=<path> in the
-- environment it GETs that path instead (a web server's copy of the same answer, as a yardstick).
local static_path = os.getenv("KSV_BENCH_GET")
if static_path and static_path ~= "" then
    wrk.method = "GET"
    wrk.path = static_path
else
    wrk.method = "POST"
    wrk.path = "/emu2003/webservices/ElectionResults/soap"
    wrk.headers["Content-Type"] = "text/xml; charset=utf-8"
    wrk.headers["SOAPAction"] = '"http://valresultat.kestrova.example/ElectionResults.wsdl#getCountryResultsValnatt"'
    wrk.body = [[<?xml version="1.0" encoding="UTF-8"?>
<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/" SOAP-ENV:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"><SOAP-ENV:Body><m:getCountryResultsValnatt xmlns:m="http://valresultat.kestrova.example/ElectionResults.wsdl"/></SOAP-ENV:Body></SOAP-ENV:Envelope>
]]
end

local threads = {}

setup = function(thread)
    table.insert(threads, thread)
end

-- Each thread counts its own answers; done() gathers them.
bad = 0
good = 0

response = function(status, headers, body)
    if status == 200 and string.find(body, "QueryResult[22]", 1, true) then
        good = good + 1
    else
        bad = bad + 1
    end
end

done = function(summary, latency, requests)
    local good_total, bad_total = 0, 0
    for _, thread in ipairs(threads) do
        good_total = good_total + thread:get("good")
        bad_total = bad_total + thread:get("bad")
    end
    local errors = summary.errors.connect + summary.errors.read + summary.errors.write
                   + summary.errors.status + summary.errors.timeout
    io.write(string.format("answers_per_second %.0f\n", summary.requests / (summary.duration / 1e6)))
    io.write(string.format("latency_p50_ms %.2f\n", latency:percentile(50) / 1000))
    io.write(string.format("latency_p99_ms %.2f\n", latency:percentile(99) / 1000))
    io.write(string.format("latency_max_ms %.2f\n", latency.max / 1000))
    io.write(string.format("answers %d\n", summary.requests))
    io.write(string.format("checked_good %d\n", good_total))
    io.write(string.format("failed %d\n", bad_total + errors))
end
