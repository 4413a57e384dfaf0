// The Turtle generator: the description follows the plug-in's parameters,
// and the bundle in the build tree is what the plug-in describes today.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "plugin/CorvaneLV2.h"
#include "host/lv2/LV2Ttl.h"
#include "tests/lv2/LV2TestHost.h"

using namespace lv2_test;

namespace {

// The text of the port block whose symbol is `symbol`.
std::string PortBlock(const std::string& ttl, const std::string& symbol) {
  const size_t at = ttl.find("lv2:symbol \"" + symbol + "\"");
  if (at == std::string::npos) return "";
  const size_t start = ttl.rfind("[\n", at);
  size_t depth = 0, end = start;
  for (; end < ttl.size(); ++end) {
    if (ttl[end] == '[') ++depth;
    if (ttl[end] == ']' && --depth == 0) break;
  }
  return ttl.substr(start, end - start);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(LV2Ttl, PortsFollowTheParameters) {
  TestLV2Plug plug;
  LV2TtlFiles files;
  std::string error;
  ASSERT_TRUE(MakeLV2Ttl(plug, TestDef(), "test.ttl", true, &files, &error)) << error;

  const std::string gain = PortBlock(files.plugin, "gain");
  EXPECT_NE(gain.find("lv2:index 0 ;"), std::string::npos);
  EXPECT_NE(gain.find("lv2:minimum -24.0 ;"), std::string::npos);
  EXPECT_NE(gain.find("lv2:maximum 12.0"), std::string::npos);
  EXPECT_NE(gain.find("units:unit units:db"), std::string::npos);
  EXPECT_EQ(gain.find("lv2:integer"), std::string::npos);

  const std::string shape = PortBlock(files.plugin, "shape");
  EXPECT_NE(shape.find("lv2:default 1.0"), std::string::npos);
  EXPECT_NE(shape.find("lv2:integer , lv2:enumeration"), std::string::npos);
  EXPECT_NE(shape.find("rdfs:label \"Hard\" ;\n\t\t\t\trdf:value 2.0"), std::string::npos);

  EXPECT_NE(PortBlock(files.plugin, "active").find("lv2:toggled"), std::string::npos);
  // A second "Gain" gets its own symbol; a label with no standard unit is described.
  const std::string steps = PortBlock(files.plugin, "gain_2");
  EXPECT_NE(steps.find("lv2:integer , pprops:notAutomatic"), std::string::npos);
  EXPECT_NE(steps.find("units:symbol \"steps\""), std::string::npos);

  const std::string latency = PortBlock(files.plugin, "latency");
  EXPECT_NE(latency.find("lv2:OutputPort"), std::string::npos);
  EXPECT_NE(latency.find("lv2:reportsLatency"), std::string::npos);
  EXPECT_NE(latency.find("lv2:maximum 64"), std::string::npos);
  EXPECT_NE(PortBlock(files.plugin, "enabled").find("lv2:designation lv2:enabled"), std::string::npos);
  EXPECT_NE(files.plugin.find("lv2:symbol \"in_r\""), std::string::npos);
  EXPECT_NE(files.plugin.find("lv2:symbol \"out\""), std::string::npos);  // the mono variant
  EXPECT_NE(files.plugin.find("ui:ui <urn:test:lv2plug#ui>"), std::string::npos);

  // Presets: port values and the exact state chunk.
  EXPECT_NE(files.presets.find("rdfs:label \"Quiet\""), std::string::npos);
  EXPECT_NE(files.presets.find("lv2:symbol \"gain\" ;\n\t\tpset:value -12.0"), std::string::npos);
  EXPECT_NE(files.presets.find("^^xsd:base64Binary"), std::string::npos);
  EXPECT_NE(files.manifest.find("<urn:test:lv2plug:preset:2>"), std::string::npos);
}

TEST(LV2Ttl, SymbolsAreUniqueAndNamedForUnnamedParameters) {
  std::unique_ptr<IPlugLV2> corvane(CorvaneLV2Def().makePlug());
  const auto symbols = LV2ParamSymbols(*corvane, CorvaneLV2Def());
  const std::vector<std::string> expected = {"transient", "residual", "amount", "sensitivity",
                                             "pan_1", "pan_2", "solo_transient", "solo_residual",
                                             "mode_1", "mode_2", "mode_3"};
  EXPECT_EQ(symbols, expected);
  EXPECT_EQ(LV2ParamName(*corvane, CorvaneLV2Def(), 6), "Solo Transient");

  // Without the definition's names the solos get generic ones.
  IPlugLV2Def plain = CorvaneLV2Def();
  plain.paramNames = nullptr;
  EXPECT_EQ(LV2ParamSymbols(*corvane, plain)[6], "param_7");
  EXPECT_EQ(LV2ParamName(*corvane, plain, 7), "Parameter 8");

  TestLV2Plug plug;
  IPlugLV2Def renamed = TestDef();
  const char* const names[] = {"9 Lives", "", nullptr, nullptr};
  renamed.paramNames = names;
  const auto s = LV2ParamSymbols(plug, renamed);
  EXPECT_EQ(s[0], "_9_lives");
  EXPECT_EQ(s[1], "shape");  // an empty name overrides nothing
}

// What a host's generic controls show: the wavelet as one named choice, the
// faders' marks and the pans' ends as labelled values, the maker by name.
// Catches three independent mode toggles (a host could leave all on), raw
// positions without labels, and a maker lilv cannot read (doap:name).
TEST(LV2Ttl, CorvaneShowsAChoiceOfWaveletAndLabelledMarks) {
  std::unique_ptr<IPlugLV2> corvane(CorvaneLV2Def().makePlug());
  LV2TtlFiles files;
  std::string error;
  ASSERT_TRUE(MakeLV2Ttl(*corvane, CorvaneLV2Def(), "corvane.ttl", false, &files, &error)) << error;
  EXPECT_EQ(files.plugin.find("\"mode_1\""), std::string::npos);
  const std::string wavelet = PortBlock(files.plugin, "wavelet");
  for (const char* text : {"lv2:index 8", "lv2:default 0", "lv2:maximum 2", "lv2:enumeration",
                           "rdfs:label \"Haar\" ;\n\t\t\t\trdf:value 0.0",
                           "rdfs:label \"Biorthogonal 6.8\" ;\n\t\t\t\trdf:value 2.0"})
    EXPECT_NE(wavelet.find(text), std::string::npos) << text;
  const std::string transient = PortBlock(files.plugin, "transient");
  for (const char* text : {"rdfs:label \"0 dB\" ;\n\t\t\t\trdf:value 0.68674",
                           "rdfs:label \"+12 dB\"", "rdfs:label \"-36 dB\"", "rdfs:label \"-inf\" ;\n\t\t\t\trdf:value 0.0"})
    EXPECT_NE(transient.find(text), std::string::npos) << text;
  EXPECT_NE(PortBlock(files.plugin, "pan_1").find("rdfs:label \"C\" ;\n\t\t\t\trdf:value 0.5"), std::string::npos);
  EXPECT_NE(files.plugin.find("foaf:name \"Velmora\""), std::string::npos);
  // Presets set the choice: "Kick Attack-" is mode 3.
  EXPECT_NE(files.presets.find("lv2:symbol \"wavelet\" ;\n\t\tpset:value 2.0"), std::string::npos);
}

TEST(LV2Ttl, AVariantThePluginCannotRunIsAnError) {
  TestLV2Plug plug;
  IPlugLV2Def def = TestDef();
  const IPlugLV2Variant bad[] = {{"urn:test:bad", 2, 1, ""}};
  def.variants = bad;
  def.nVariants = 1;
  LV2TtlFiles files;
  std::string error;
  EXPECT_FALSE(MakeLV2Ttl(plug, def, "test.ttl", false, &files, &error));
  EXPECT_NE(error.find("urn:test:bad"), std::string::npos);
}

TEST(LV2Ttl, TheBuiltBundleDescribesThePluginAsItIsNow) {
  std::unique_ptr<IPlugLV2> corvane(CorvaneLV2Def().makePlug());
  LV2TtlFiles files;
  std::string error;
  const std::string dir = CORVANE_LV2_BUNDLE_DIR;
  const bool withUI = ReadFile(dir + "/manifest.ttl").find("ui:X11UI") != std::string::npos;
  ASSERT_TRUE(MakeLV2Ttl(*corvane, CorvaneLV2Def(), "corvane.ttl", withUI, &files, &error)) << error;
  EXPECT_EQ(ReadFile(dir + "/manifest.ttl"), files.manifest);
  EXPECT_EQ(ReadFile(dir + "/corvane.ttl"), files.plugin);
  EXPECT_EQ(ReadFile(dir + "/presets.ttl"), files.presets);
}
