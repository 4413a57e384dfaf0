// Generates the bundle's Turtle files from a plug-in object (see LV2Ttl.h).
#include "host/lv2/LV2Ttl.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>

#include "framework/Base64.h"
#include "framework/ByteChunk.h"

namespace {

const char* const kPrefixes =
    "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pg:    <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n"
    "@prefix xsd:   <http://www.w3.org/2001/XMLSchema#> .\n\n";

// A Turtle string literal.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

// A port value as the host will hold it (single precision), written so it
// reads back as exactly that float, always as a decimal or double literal.
std::string Number(double value) {
  char text[48];
  std::snprintf(text, sizeof(text), "%.9g", static_cast<double>(static_cast<float>(value)));
  std::string s = text;
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

// The standard unit for a parameter label, or null (a custom unit then).
const char* StandardUnit(const char* label) {
  static const struct {
    const char* label;
    const char* unit;
  } kUnits[] = {{"dB", "units:db"},     {"%", "units:pc"},       {"Hz", "units:hz"},
                {"kHz", "units:khz"},   {"ms", "units:ms"},      {"s", "units:s"},
                {"bpm", "units:bpm"},   {"cents", "units:cent"}, {"semitones", "units:semitone12TET"},
                {"samples", "units:frame"}};
  for (const auto& u : kUnits)
    if (std::strcmp(label, u.label) == 0) return u.unit;
  return nullptr;
}

bool IsWhole(double v) { return std::floor(v) == v; }

// The channel names of an audio direction: "L"/"R" for two, none for one.
std::string ChannelSuffix(int ch, int n, bool forSymbol) {
  if (n == 1) return "";
  if (n == 2) return forSymbol ? (ch == 0 ? "_l" : "_r") : (ch == 0 ? " L" : " R");
  return (forSymbol ? "_" : " ") + std::to_string(ch + 1);
}

void WriteScalePoint(std::ostringstream& o, const char* label, double value) {
  o << " ;\n\t\t\tlv2:scalePoint [\n\t\t\t\trdfs:label " << Quoted(label) << " ;\n\t\t\t\trdf:value "
    << Number(value) << "\n\t\t\t]";
}

void WriteControlPort(std::ostringstream& o, IParam* p, int paramIdx, uint32_t index, const std::string& symbol,
                      const std::string& name, const IPlugLV2Def& def) {
  double lo = 0.0, hi = 1.0;
  p->GetBounds(&lo, &hi);
  const bool toggled = p->Type() == IParam::kTypeBool ||
                       (lo == 0.0 && hi == 1.0 && p->GetStep() == 1.0);
  const bool integer = !toggled && (p->Type() == IParam::kTypeInt || p->Type() == IParam::kTypeEnum ||
                                    (IsWhole(p->GetStep()) && IsWhole(lo) && IsWhole(hi)));
  o << "\t\t[\n\t\t\ta lv2:InputPort, lv2:ControlPort ;\n"
    << "\t\t\tlv2:index " << index << " ;\n"
    << "\t\t\tlv2:symbol " << Quoted(symbol) << " ;\n"
    << "\t\t\tlv2:name " << Quoted(name) << " ;\n"
    << "\t\t\tlv2:default " << Number(p->GetDefault()) << " ;\n"
    << "\t\t\tlv2:minimum " << Number(lo) << " ;\n"
    << "\t\t\tlv2:maximum " << Number(hi);
  std::vector<std::string> props;
  if (toggled) props.push_back("lv2:toggled");
  if (integer) props.push_back("lv2:integer");
  if (p->Type() == IParam::kTypeEnum && p->GetNDisplayTexts() > 0) props.push_back("lv2:enumeration");
  if (!p->GetCanAutomate()) props.push_back("pprops:notAutomatic");
  for (size_t i = 0; i < props.size(); ++i) o << (i ? " , " : " ;\n\t\t\tlv2:portProperty ") << props[i];

  const char* label = p->GetLabelForHost();
  if (label && *label) {
    if (const char* unit = StandardUnit(label)) {
      o << " ;\n\t\t\tunits:unit " << unit;
    } else {
      o << " ;\n\t\t\tunits:unit [\n\t\t\t\ta units:Unit ;\n\t\t\t\trdfs:label " << Quoted(label)
        << " ;\n\t\t\t\tunits:symbol " << Quoted(label) << " ;\n\t\t\t\tunits:render "
        << Quoted(std::string(p->GetPrecision() > 0 ? "%f " : "%.0f ") + label) << "\n\t\t\t]";
    }
  }
  // Value texts become scale points (a toggle's "off"/"on" add nothing), and
  // so do the definition's labelled values.
  if (!toggled) {
    for (int t = 0; t < p->GetNDisplayTexts(); ++t) {
      int value = 0;
      const char* text = p->GetDisplayTextAtIdx(t, &value);
      if (text && *text) WriteScalePoint(o, text, value);
    }
  }
  for (int i = 0; i < def.nScalePoints; ++i)
    if (def.scalePoints[i].paramIdx == paramIdx) WriteScalePoint(o, def.scalePoints[i].label, def.scalePoints[i].value);
  o << "\n\t\t]";
}

// A choice: one enumeration port whose value is the position of the chosen
// parameter; its default is the parameter that is 1 by default.
void WriteChoicePort(std::ostringstream& o, IPlugLV2& plug, const IPlugLV2Choice& choice, uint32_t index) {
  int chosen = 0;
  for (int j = 0; j < choice.nParams; ++j)
    if (plug.GetParam(choice.params[j])->GetDefault() == 1.0) chosen = j;
  o << "\t\t[\n\t\t\ta lv2:InputPort, lv2:ControlPort ;\n"
    << "\t\t\tlv2:index " << index << " ;\n"
    << "\t\t\tlv2:symbol " << Quoted(choice.symbol) << " ;\n"
    << "\t\t\tlv2:name " << Quoted(choice.name) << " ;\n"
    << "\t\t\tlv2:default " << chosen << " ;\n"
    << "\t\t\tlv2:minimum 0 ;\n"
    << "\t\t\tlv2:maximum " << choice.nParams - 1 << " ;\n"
    << "\t\t\tlv2:portProperty lv2:integer , lv2:enumeration";
  for (int j = 0; j < choice.nParams; ++j) WriteScalePoint(o, choice.labels[j], j);
  o << "\n\t\t]";
}

// What a preset stores for a control port: the parameter's value, or the
// position of the choice's parameter at 1.
double ControlPortValue(IPlugLV2& plug, const IPlugLV2Def& def, const LV2PortLayout& layout, uint32_t port) {
  const int param = layout.ParamOfPort(port);
  if (param >= 0) return plug.GetParam(param)->Value();
  const IPlugLV2Choice& choice = def.choices[layout.ChoiceOfPort(port)];
  for (int j = 0; j < choice.nParams; ++j)
    if (plug.GetParam(choice.params[j])->Value() == 1.0) return j;
  return 0.0;
}

// The group an output belongs to, or null.
const IPlugLV2OutputGroup* GroupOfOutput(const IPlugLV2Variant& v, int ch) {
  for (int g = 0; g < v.nOutputGroups; ++g)
    if (ch == v.outputGroups[g].firstOut || ch == v.outputGroups[g].firstOut + 1) return &v.outputGroups[g];
  return nullptr;
}

// A group's resource: the plug-in's URI with the group's symbol as fragment.
std::string GroupUri(const IPlugLV2Variant& v, const IPlugLV2OutputGroup& g) {
  return std::string("<") + v.uri + "#" + g.symbol + ">";
}

void WriteAudioPorts(std::ostringstream& o, const LV2PortLayout& layout, const IPlugLV2Variant& v) {
  for (int c = 0; c < layout.nIn; ++c)
    o << " , [\n\t\t\ta lv2:InputPort, lv2:AudioPort ;\n\t\t\tlv2:index " << layout.AudioIn(c)
      << " ;\n\t\t\tlv2:symbol " << Quoted("in" + ChannelSuffix(c, layout.nIn, true))
      << " ;\n\t\t\tlv2:name " << Quoted("In" + ChannelSuffix(c, layout.nIn, false)) << "\n\t\t]";
  for (int c = 0; c < layout.nOut; ++c) {
    o << " , [\n\t\t\ta lv2:OutputPort, lv2:AudioPort ;\n\t\t\tlv2:index " << layout.AudioOut(c);
    if (const IPlugLV2OutputGroup* g = GroupOfOutput(v, c)) {
      const bool left = c == g->firstOut;
      o << " ;\n\t\t\tlv2:symbol " << Quoted(std::string(g->symbol) + (left ? "_l" : "_r"))
        << " ;\n\t\t\tlv2:name " << Quoted(std::string(g->name) + (left ? " L" : " R"))
        << " ;\n\t\t\tpg:group " << GroupUri(v, *g) << " ;\n\t\t\tlv2:designation "
        << (left ? "pg:left" : "pg:right") << "\n\t\t]";
      continue;
    }
    o << " ;\n\t\t\tlv2:symbol " << Quoted("out" + ChannelSuffix(c, layout.nOut, true))
      << " ;\n\t\t\tlv2:name " << Quoted("Out" + ChannelSuffix(c, layout.nOut, false)) << "\n\t\t]";
  }
}

// The output groups as resources of their own: stereo output groups, named.
void WriteOutputGroups(std::ostringstream& o, const IPlugLV2Variant& v) {
  for (int g = 0; g < v.nOutputGroups; ++g)
    o << GroupUri(v, v.outputGroups[g]) << "\n\ta pg:OutputGroup, pg:StereoGroup ;\n\tlv2:symbol "
      << Quoted(v.outputGroups[g].symbol) << " ;\n\trdfs:label " << Quoted(v.outputGroups[g].name) << " .\n\n";
}

void WritePlugin(std::ostringstream& o, IPlugLV2& plug, const IPlugLV2Def& def, int variant,
                 const std::vector<std::string>& symbols, bool withUI) {
  const IPlugLV2Variant& v = def.variants[variant];
  LV2PortLayout layout;
  MakeLV2PortLayout(plug.NParams(), &def, v.nIn, v.nOut, &layout);  // checked by MakeLV2Ttl
  int major = 0, minor = 0, patch = 0;
  GetVersionParts(plug.GetEffectVersion(false), &major, &minor, &patch);

  o << "<" << v.uri << ">\n\ta lv2:Plugin, lv2:" << def.pluginClass << " ;\n"
    << "\tdoap:name " << Quoted(std::string(plug.GetEffectName()) + v.nameSuffix) << " ;\n"
    << "\tlv2:project [\n\t\ta doap:Project ;\n\t\tdoap:name " << Quoted(plug.GetEffectName())
    << " ;\n\t\tdoap:maintainer [\n\t\t\ta foaf:Person ;\n\t\t\tfoaf:name " << Quoted(plug.GetMfrName())
    << "\n\t\t]\n\t] ;\n"
    // LV2 versions have no major part and read odd numbers as unstable.
    << "\tlv2:minorVersion " << (major * 100 + minor) * 2 << " ;\n"
    << "\tlv2:microVersion " << patch * 2 << " ;\n"
    << "\tlv2:optionalFeature urid:map , opts:options ;\n"
    << "\tlv2:extensionData state:interface ;\n";
  if (withUI && def.uiUri) o << "\tui:ui <" << def.uiUri << "> ;\n";
  if (v.nOutputGroups > 0) o << "\tpg:mainOutput " << GroupUri(v, v.outputGroups[0]) << " ;\n";
  o << "\tlv2:port\n";
  for (int k = 0; k < layout.NControls(); ++k) {
    if (k) o << " , ";
    const int param = layout.ParamOfPort(static_cast<uint32_t>(k));
    if (param >= 0)
      WriteControlPort(o, plug.GetParam(param), param, static_cast<uint32_t>(k), symbols[k], LV2ParamName(plug, def, param), def);
    else
      WriteChoicePort(o, plug, def.choices[layout.ChoiceOfPort(static_cast<uint32_t>(k))], static_cast<uint32_t>(k));
  }
  if (layout.NControls()) o << " , ";
  o << "[\n\t\t\ta lv2:InputPort, lv2:ControlPort ;\n\t\t\tlv2:index " << layout.Enabled()
    << " ;\n\t\t\tlv2:symbol \"enabled\" ;\n\t\t\tlv2:name \"Enabled\" ;\n"
    << "\t\t\tlv2:designation lv2:enabled ;\n\t\t\tlv2:default 1 ;\n\t\t\tlv2:minimum 0 ;\n"
    << "\t\t\tlv2:maximum 1 ;\n\t\t\tlv2:portProperty lv2:toggled , lv2:integer\n\t\t] , [\n"
    << "\t\t\ta lv2:OutputPort, lv2:ControlPort ;\n\t\t\tlv2:index " << layout.Latency()
    << " ;\n\t\t\tlv2:symbol \"latency\" ;\n\t\t\tlv2:name \"Latency\" ;\n"
    << "\t\t\tlv2:designation lv2:latency ;\n\t\t\tlv2:minimum 0 ;\n\t\t\tlv2:maximum "
    << (plug.GetLatency() > 0 ? plug.GetLatency() : 1) << " ;\n"
    << "\t\t\tlv2:portProperty lv2:reportsLatency , lv2:integer ;\n\t\t\tunits:unit units:frame\n\t\t]";
  WriteAudioPorts(o, layout, v);
  o << " .\n\n";
  WriteOutputGroups(o, v);
}

void WriteUI(std::ostringstream& o, const IPlugLV2Def& def) {
  o << "<" << def.uiUri << ">\n\ta ui:X11UI ;\n"
    << "\tlv2:requiredFeature <http://lv2plug.in/ns/ext/instance-access> , ui:idleInterface ;\n"
    // The editor has one fixed size: hosts should not offer to resize it.
    << "\tlv2:optionalFeature ui:parent , ui:resize , ui:touch , ui:noUserResize ,\n"
    << "\t\t<http://lv2plug.in/ns/ext/log#log> , urid:map , opts:options ;\n"
    << "\topts:supportedOption ui:scaleFactor ;\n"
    << "\tlv2:extensionData ui:idleInterface .\n\n";
}

// The state property, described where the presets use it.
void WriteStateKey(std::ostringstream& o, IPlugLV2& plug, const IPlugLV2Def& def) {
  o << "<" << def.stateKeyUri << ">\n\ta rdf:Property ;\n\trdfs:label "
    << Quoted(std::string(plug.GetEffectName()) + " state") << " ;\n"
    << "\trdfs:comment \"The plug-in's state chunk, as its other host formats store it.\" ;\n"
    << "\trdfs:range atom:Chunk .\n\n";
}

bool WritePresets(std::ostringstream& o, IPlugLV2& plug, const IPlugLV2Def& def,
                  const std::vector<std::string>& symbols, std::string* pError) {
  LV2PortLayout layout;
  MakeLV2PortLayout(plug.NParams(), &def, 0, 0, &layout);
  o << kPrefixes;
  WriteStateKey(o, plug, def);
  for (int p = 0; p < plug.NPresets(); ++p) {
    if (!plug.RestorePreset(p)) {
      if (pError) *pError = "factory preset " + std::to_string(p) + " cannot be restored";
      return false;
    }
    ByteChunk chunk;
    plug.SerializeState(&chunk);
    WDL_String blob;
    Base64Encode(chunk.GetBytes(), chunk.Size(), &blob);

    o << "<" << def.presetUriPrefix << p + 1 << ">\n\ta pset:Preset ;\n\tlv2:appliesTo ";
    for (int v = 0; v < def.nVariants; ++v) o << (v ? " , <" : "<") << def.variants[v].uri << ">";
    o << " ;\n\trdfs:label " << Quoted(plug.GetPresetName(p)) << " ;\n\tlv2:port";
    for (int k = 0; k < layout.NControls(); ++k)
      o << (k ? " , [\n" : " [\n") << "\t\tlv2:symbol " << Quoted(symbols[k]) << " ;\n\t\tpset:value "
        << Number(ControlPortValue(plug, def, layout, static_cast<uint32_t>(k))) << "\n\t]";
    // The exact state as well: ports carry single precision only.
    o << " ;\n\tstate:state [\n\t\t<" << def.stateKeyUri << "> " << Quoted(blob.Get())
      << "^^xsd:base64Binary\n\t] .\n\n";
  }
  return true;
}

}  // namespace

std::string LV2ParamName(IPlugLV2& plug, const IPlugLV2Def& def, int paramIdx) {
  if (def.paramNames && def.paramNames[paramIdx] && *def.paramNames[paramIdx])
    return def.paramNames[paramIdx];
  const char* name = plug.GetParam(paramIdx)->GetNameForHost();
  if (name && *name) return name;
  return "Parameter " + std::to_string(paramIdx + 1);
}

std::vector<std::string> LV2ControlSymbols(IPlugLV2& plug, const IPlugLV2Def& def) {
  LV2PortLayout layout;
  MakeLV2PortLayout(plug.NParams(), &def, 0, 0, &layout);
  const std::vector<std::string> params = LV2ParamSymbols(plug, def);
  std::vector<std::string> symbols;
  for (int k = 0; k < layout.NControls(); ++k) {
    const int param = layout.ParamOfPort(static_cast<uint32_t>(k));
    symbols.push_back(param >= 0 ? params[static_cast<size_t>(param)]
                                 : def.choices[layout.ChoiceOfPort(static_cast<uint32_t>(k))].symbol);
  }
  return symbols;
}

std::vector<std::string> LV2ParamSymbols(IPlugLV2& plug, const IPlugLV2Def& def) {
  // The adapter's own ports, the audio ports and the choices keep their symbols.
  std::set<std::string> used = {"enabled", "latency", "in", "in_l", "in_r", "out", "out_l", "out_r"};
  for (int c = 0; c < def.nChoices; ++c) used.insert(def.choices[c].symbol);
  for (int v = 0; v < def.nVariants; ++v)
    for (int g = 0; g < def.variants[v].nOutputGroups; ++g)
      for (const char* side : {"_l", "_r"}) used.insert(std::string(def.variants[v].outputGroups[g].symbol) + side);
  std::vector<std::string> symbols;
  for (int i = 0; i < plug.NParams(); ++i) {
    std::string s;
    if (def.paramSymbols && def.paramSymbols[i]) {
      s = def.paramSymbols[i];
    } else {
      const std::string name = LV2ParamName(plug, def, i);
      for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        s += std::isalnum(u) && u < 128 ? static_cast<char>(std::tolower(u)) : '_';
      }
      const bool named = (def.paramNames && def.paramNames[i] && *def.paramNames[i]) ||
                         *plug.GetParam(i)->GetNameForHost();
      if (!named || s.find_first_not_of('_') == std::string::npos) s = "param_" + std::to_string(i + 1);
      if (std::isdigit(static_cast<unsigned char>(s[0]))) s = "_" + s;
    }
    std::string unique = s;
    for (int n = 2; used.count(unique); ++n) unique = s + "_" + std::to_string(n);
    used.insert(unique);
    symbols.push_back(unique);
  }
  return symbols;
}

bool MakeLV2Ttl(IPlugLV2& plug, const IPlugLV2Def& def, const char* pluginTtlName, bool withUI,
                LV2TtlFiles* pFiles, std::string* pError) {
  for (int v = 0; v < def.nVariants; ++v) {
    const IPlugLV2Variant& var = def.variants[v];
    if (var.nIn > plug.NInChannels() || var.nOut > plug.NOutChannels() || !plug.LegalIO(var.nIn, var.nOut)) {
      if (pError) *pError = std::string("variant ") + var.uri + " is not a channel configuration of the plug-in";
      return false;
    }
  }
  LV2PortLayout check;
  if (!MakeLV2PortLayout(plug.NParams(), &def, 0, 0, &check)) {
    if (pError) *pError = "a choice names a parameter that does not exist or is in another choice";
    return false;
  }
  const std::vector<std::string> symbols = LV2ControlSymbols(plug, def);
  const bool ui = withUI && def.uiUri;

  std::ostringstream manifest;
  manifest << kPrefixes;
  for (int v = 0; v < def.nVariants; ++v)
    manifest << "<" << def.variants[v].uri << ">\n\ta lv2:Plugin ;\n\tlv2:binary <" << def.binary
             << "> ;\n\trdfs:seeAlso <" << pluginTtlName << "> .\n\n";
  if (ui)
    manifest << "<" << def.uiUri << ">\n\ta ui:X11UI ;\n\tui:binary <" << def.binary
             << "> ;\n\trdfs:seeAlso <" << pluginTtlName << "> .\n\n";
  for (int p = 0; p < plug.NPresets(); ++p) {
    manifest << "<" << def.presetUriPrefix << p + 1 << ">\n\ta pset:Preset ;\n\tlv2:appliesTo ";
    for (int v = 0; v < def.nVariants; ++v) manifest << (v ? " , <" : "<") << def.variants[v].uri << ">";
    manifest << " ;\n\trdfs:seeAlso <presets.ttl> .\n\n";
  }

  std::ostringstream plugin;
  plugin << kPrefixes;
  for (int v = 0; v < def.nVariants; ++v) WritePlugin(plugin, plug, def, v, symbols, ui);
  if (ui) WriteUI(plugin, def);

  std::ostringstream presets;
  if (!WritePresets(presets, plug, def, symbols, pError)) return false;

  pFiles->manifest = manifest.str();
  pFiles->plugin = plugin.str();
  pFiles->presets = presets.str();
  return true;
}
