-- The generator's random numbers: a fixed multiplicative generator (modulus
-- 2^31 - 1), the same on every platform, so a seed always makes the same script.
local state = 1

function rng_seed(seed)
    state = (math.floor(seed) * 48271 + 12345) % 2147483646 + 1
    for _ = 1, 8 do state = state * 16807 % 2147483647 end
end

-- 1 .. n
function rng_rand(n)
    state = state * 16807 % 2147483647
    return math.floor(state / 2147483647 * n) + 1
end

function rng_chance(p) return rng_rand(1000000) <= p * 1000000 end

function rng_pick(list) return list[rng_rand(#list)] end
