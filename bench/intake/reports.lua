-- wrk script: PUTs one report after another to a live night's intake, each thread its own share
-- of the districts listed in $KSV_DISTRICTS ("municipality district" a line), and counts the
-- answers by kind: 201 new, 200 identical (a thread that runs out starts its share again).
local threads = {}
local counter = 1

setup = function(thread)
    thread:set("id", counter)
    table.insert(threads, thread)
    counter = counter + 1
end

init = function(args)
    districts = {}
    for line in io.lines(os.getenv("KSV_DISTRICTS")) do
        table.insert(districts, line)
    end
    step = tonumber(os.getenv("KSV_THREADS") or "2")
    next_index = id
    created, identical, refused = 0, 0, 0
end

request = function()
    local line = districts[next_index]
    next_index = next_index + step
    if next_index > #districts then
        next_index = id
    end
    local municipality, district = line:match("(%d+) (%d+)")
    local yes = 1000 + (tonumber(district) * 7) % 500
    local body = string.format('{"yes":%d,"no":800,"blank":20,"invalid":5}', yes)
    return wrk.format("PUT", "/reports/" .. municipality .. "/" .. district,
                      {["Authorization"] = "Bearer " .. os.getenv("KSV_TOKEN"), ["Content-Type"] = "application/json"}, body)
end

response = function(status, headers, body)
    if status == 201 then
        created = created + 1
    elseif status == 200 then
        identical = identical + 1
    else
        refused = refused + 1
    end
end

done = function(summary, latency, requests)
    local c, i, r = 0, 0, 0
    for _, thread in ipairs(threads) do
        c = c + thread:get("created")
        i = i + thread:get("identical")
        r = r + thread:get("refused")
    end
    local seconds = summary.duration / 1e6
    io.write(string.format("reports_per_second %.0f\n", (c + i) / seconds))
    io.write(string.format("new %d\n", c))
    io.write(string.format("identical %d\n", i))
    io.write(string.format("refused %d\n", r + summary.errors.connect + summary.errors.read + summary.errors.write + summary.errors.timeout))
    io.write(string.format("latency_p50_ms %.2f\n", latency:percentile(50) / 1000))
    io.write(string.format("latency_p99_ms %.2f\n", latency:percentile(99) / 1000))
end
