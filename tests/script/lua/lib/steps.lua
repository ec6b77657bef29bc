-- Finalisers that run at chosen steps of the collector, shared by the Lua
-- test scripts.

-- Finalisers that end engine objects at any step of the collector, inside
-- the bound function that is reading or handing out those objects. With the
-- pause at 0 and a huge step multiplier every step (each allocation of the
-- Lua API) is a whole cycle, and a chain of finalisers, each arming the
-- next, runs one at each step: the n-th calls act(f), f the function that
-- was running when the collector stepped. (The proxy stays in a local until
-- its __gc is set: a step in between would find it unreachable without one,
-- and Lua would never finalise it.)
function arm(n, act)
    local proxy = newproxy(true)
    getmetatable(proxy).__gc = function()
        if n > 1 then arm(n - 1, act) else act(debug.getinfo(2, "f").func) end
    end
end

-- Calls fn(setup()) with end_(setup()) run by a finaliser at each of the
-- first `steps` collector steps in turn. Each run gives the call's pcall
-- results and `inside`: the finaliser ran inside fn itself.
function at_each_step(steps, setup, end_, fn)
    local runs = {}
    for n = 1, steps do
        local args, run = { setup() }, {}
        collectgarbage("collect")
        local pause, mul = collectgarbage("setpause", 0), collectgarbage("setstepmul", 100000000)
        collectgarbage("collect")
        arm(n, function(f) run.inside, run.done = rawequal(f, fn), true; end_(unpack(args)) end)
        run.results = { pcall(fn, unpack(args)) }
        collectgarbage("setpause", pause)
        collectgarbage("setstepmul", mul)
        while not run.done do collectgarbage("collect") end
        runs[n] = run
    end
    return runs
end
