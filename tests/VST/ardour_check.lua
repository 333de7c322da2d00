-- Loads every VST plug-in into one Ardour session (run with ardour7-lua, see README):
-- one track per plug-in, each fed a 200 Hz sine at -12 dBFS by Ardour's SinGen.
local names = { "Tessary Bass Boost", "Tessary Compactor", "Tessary Crisper", "Tessary Dual Compressor",
  "Tessary Dual Expander", "Tessary Expander", "Tessary Monofier", "Tessary Sharpener",
  "Tessary Stereoizer", "Tessary Tone Compressor", "Tessary Tone Expander" }
AudioEngine:set_backend ("None (Dummy)", "", "")
local s = create_session (os.tmpname () .. "-session", "check", 48000)
assert (s)
local tracks = {}
for i, name in ipairs (names) do
  local t = s:new_audio_track (2, 2, nil, 1, name, ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true):front ()
  local gen = ARDOUR.LuaAPI.new_luaproc (s, "SinGen")
  t:add_processor_by_index (gen, 0, nil, true)
  ARDOUR.LuaAPI.set_processor_param (gen, 0, 200)
  ARDOUR.LuaAPI.set_processor_param (gen, 1, -12)
  local vst = ARDOUR.LuaAPI.new_plugin (s, name, ARDOUR.PluginType.LXVST, "")
  assert (not vst:isnil (), "not found: " .. name)
  t:add_processor_by_index (vst, 1, nil, true)
  tracks[i] = { t = t, vst = vst, name = name }
end
local function meters (label)
  ARDOUR.LuaAPI.usleep (300000)
  for _, e in ipairs (tracks) do e.t:peak_meter ():reset_max () end
  ARDOUR.LuaAPI.usleep (500000)
  print (label)
  for _, e in ipairs (tracks) do
    local m = e.t:peak_meter ()
    print (string.format ("  %-24s L %7.2f  R %7.2f dBFS", e.name, m:meter_level (0, ARDOUR.MeterType.MeterPeak), m:meter_level (1, ARDOUR.MeterType.MeterPeak)))
  end
end
for _, e in ipairs (tracks) do
  local pl = e.vst:to_insert ():plugin (0)
  local params = {}
  for i = 0, pl:parameter_count () - 1 do
    local _, pd = pl:get_parameter_descriptor (i, ARDOUR.ParameterDescriptor ())
    params[#params + 1] = string.format ("%s=%.3f", pd[2].label, ARDOUR.LuaAPI.get_processor_param (e.vst, i))
  end
  local programs = {}
  for p in pl:get_info ():get_presets (false):iter () do programs[#programs + 1] = p.label end
  print (string.format ("%s | %s | id %d | latency %d | %s | programs: %s", pl:name (), pl:maker (), pl:unique_id (),
    e.vst:signal_latency (), table.concat (params, ", "), table.concat (programs, "; ")))
end
meters ("levels at program 0 (input 200 Hz sine, -12 dBFS):")
for _, e in ipairs (tracks) do
  local pl = e.vst:to_insert ():plugin (0)
  local last
  for p in pl:get_info ():get_presets (false):iter () do last = p end
  pl:load_preset (last)
end
meters ("levels at the last program:")
close_session ()
