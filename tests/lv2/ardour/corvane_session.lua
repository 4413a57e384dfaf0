-- What the Ardour tests (test_lv2_ardour.cpp) do in Ardour, headless: a test
-- writes a short program that loads this file (`local cv = dofile(...)`) and
-- calls its functions, and runs it in ardour7-lua. Results come back on
-- standard output as lines "corvane-test: WHAT ..."; any failure ends the
-- program with an error, and ardour7-lua then exits with status 1. Each
-- program runs in its own process. The functions live in a table of their
-- own: the interpreter calls some globals itself (a global new_session is
-- called back when a session is created).

local cv = {}

local function report(...)
  local words = {}
  for _, v in ipairs({...}) do words[#words + 1] = tostring(v) end
  print("corvane-test: " .. table.concat(words, " "))
end

-- The Dummy backend (no sound card, silent inputs) at 44.1 kHz and 4096
-- samples per cycle. Ardour runs the plug-ins on every cycle, even with the
-- transport stopped, and Corvane's frames repeat every 2048 samples: with
-- whole cycles of 4096 its frames stand where a fresh instance's do at the
-- start of every bounce, however many cycles went by before.
local function start_engine()
  local backend = AudioEngine:set_backend("None (Dummy)", "", "")
  assert(not backend:isnil(), "Ardour has no Dummy backend")
  assert(backend:set_sample_rate(44100) == 0, "the Dummy backend refused 44.1 kHz")
  assert(backend:set_buffer_size(4096) == 0, "the Dummy backend refused 4096 samples per cycle")
end

function cv.new_session(dir, name)
  start_engine()
  assert(create_session(dir, name, 44100), "cannot create the session " .. dir)
end

function cv.open_session(dir, name)
  start_engine()
  assert(load_session(dir, name), "cannot open the session " .. dir)
end

function cv.save()
  Session:save_state("", false, false, false, false, false)
end

function cv.close()
  close_session()
end

local function track(name)
  local route = Session:route_by_name(name)
  assert(not route:isnil(), "no track " .. name)
  return route:to_track()
end

-- A track with one silent region of `length` samples at the session start.
-- Ardour's Lua has no file import: the region comes from bouncing the empty
-- track, and the test writes its signal into the region's files (one mono
-- file per channel, reported as "source TRACK CHANNEL PATH").
function cv.add_track_with_region(name, channels, length)
  local list = Session:new_audio_track(channels, 2, nil, 1, name, ARDOUR.PresentationInfo.max_order,
                                       ARDOUR.TrackMode.Normal, true)
  assert(list:size() == 1, "cannot add the track " .. name)
  local t = list:front()
  local region = t:bounce_range(0, length, ARDOUR.InterThreadInfo(), t:main_outs(), false, name .. "-input")
  assert(not region:isnil(), "cannot bounce the empty track " .. name)
  t:playlist():add_region(region, Temporal.timepos_t(0), 1, false, 0, 0, false)
  for c = 0, region:to_audioregion():n_channels() - 1 do
    report("source", name, c, region:source(c):to_filesource():path())
  end
end

-- The plug-in `uri` as the first processor of the track.
function cv.add_plugin(track_name, uri)
  local plugin = ARDOUR.LuaAPI.new_plugin(Session, uri, ARDOUR.PluginType.LV2, "")
  assert(not plugin:isnil(), "Ardour cannot load " .. uri)
  assert(track(track_name):add_processor_by_index(plugin, 0, nil, true) == 0,
         "cannot add " .. uri .. " to " .. track_name)
end

local function first_plugin(track_name)
  local processor = track(track_name):nth_plugin(0)
  assert(not processor:isnil(), "no plug-in on " .. track_name)
  return processor
end

-- A control port (by index) moved through its automation control, as a
-- control of Ardour's plug-in window moves it.
function cv.set_port(track_name, port, value)
  local parameter = Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, port)
  local control = first_plugin(track_name):to_automatable():automation_control(parameter, false)
  assert(not control:isnil(), "no control for port " .. port .. " on " .. track_name)
  control:set_value(value, PBD.GroupControlDisposition.NoGroup)
end

-- Returns once Ardour has run its plug-ins for two more cycles, so that a
-- control set before has reached the plug-in (in the first of them), as
-- between two clicks of a musician.
function cv.wait_for_cycles()
  local cycle = 4096
  local until_samples = AudioEngine:processed_samples() + 2 * cycle
  for _ = 1, 1000 do
    if AudioEngine:processed_samples() >= until_samples then return end
    ARDOUR.LuaAPI.usleep(10000)
  end
  error("Ardour's engine stopped running cycles")
end

-- "outputs TRACK NATURAL ROUTED": how many outputs the track's first plug-in
-- has, and how many of them the track takes on.
function cv.report_outputs(track_name)
  local insert = first_plugin(track_name):to_insert()
  report("outputs", track_name, insert:natural_output_streams():n_audio(), insert:output_streams():n_audio())
end

-- The track's two channels take the first plug-in's outputs `first` and
-- `first + 1` instead of its first two, as a musician connects them in
-- Ardour's pin connections window. The track is made strict about its
-- channels first, so the plug-in's other outputs go nowhere.
function cv.route_plugin_outputs(track_name, first)
  track(track_name):set_strict_io(true)
  local insert = first_plugin(track_name):to_insert()
  local map = ARDOUR.ChanMapping()
  map:set(ARDOUR.DataType("audio"), first, 0)
  map:set(ARDOUR.DataType("audio"), first + 1, 1)
  insert:set_output_map(0, map)
end

-- "latency TRACK PLUGIN TRACK-TOTAL", in samples.
function cv.report_latency(track_name)
  report("latency", track_name, first_plugin(track_name):signal_latency(), track(track_name):signal_latency())
end

-- The track's first `length` samples through its plug-ins (up to the
-- panner) into a new region called `name` ("render NAME CHANNEL PATH" per
-- channel; Ardour adds a number to a file name already taken). Ardour
-- compensates the plug-ins' latency: the render is aligned with the region.
-- A length that is a multiple of 2048 leaves Corvane's frames in step for a
-- later render in the same process.
function cv.render(track_name, length, name)
  local t = track(track_name)
  local region = t:bounce_range(0, length, ARDOUR.InterThreadInfo(), t:main_outs(), false, name)
  assert(not region:isnil(), "cannot bounce " .. track_name)
  for c = 0, region:to_audioregion():n_channels() - 1 do
    report("render", name, c, region:source(c):to_filesource():path())
  end
end

return cv
