-- The figures of a hostile script's run (loaded by hostile.lua): one line to
-- standard output and, with a report file, that line and the names of the
-- bound functions called and of those that returned normally.
function report_run(file, seed, stats, reached, returned, total)
    local distinct, ok_names = 0, 0
    for _ in pairs(reached) do distinct = distinct + 1 end
    for _ in pairs(returned) do ok_names = ok_names + 1 end
    local line = string.format("seed %d steps %d calls %d ok %d names %d/%d returned %d", seed, stats.steps,
        stats.calls, stats.ok, distinct, total, ok_names)
    print(line)
    local f = file and io.open(file, "a")
    if not f then return end
    f:write(line, "\n")
    for _, set in ipairs({ { "called", reached }, { "returned", returned } }) do
        local list = {}
        for k in pairs(set[2]) do list[#list + 1] = k end
        table.sort(list)
        f:write(set[1], " ", table.concat(list, " "), "\n")
    end
    f:close()
end
