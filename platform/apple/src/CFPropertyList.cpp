// The XML form of property lists, written and parsed with libxml2.
#include <CoreFoundation/CoreFoundation.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlwriter.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "platform/apple/src/CFObject.h"

namespace {

constexpr int kMaxDepth = 128;
// On one line, as property-list readers expect it (libxml2's own DTD writer
// breaks it up).
constexpr char kDoctype[] =
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n";  // deeper documents are refused, not recursed into

void SetError(CFErrorRef* error, CFIndex code, const std::string& text) {
  if (!error) return;
  CFStringRef description = corvane_cf::MakeString(text);
  const void* keys[] = {kCFErrorDescriptionKey};
  const void* values[] = {description};
  CFDictionaryRef info = description ? CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks,
                                                          &kCFTypeDictionaryValueCallBacks)
                                     : nullptr;
  *error = CFErrorCreate(nullptr, kCFErrorDomainCocoa, code, info);
  if (info) CFRelease(info);
  if (description) CFRelease(description);
}

std::string StringOf(CFStringRef s) {
  std::string_view bytes;
  return corvane_cf::StringBytes(s, "CFPropertyListCreateData", &bytes) ? std::string(bytes) : std::string();
}

// ---- writing ----

class Writer {
public:
  explicit Writer(xmlTextWriterPtr w) : mW(w) {}

  bool Value(CFTypeRef v, int depth) {
    if (!v || depth > kMaxDepth || !corvane_cf::Lookup(v, 0, "CFPropertyListCreateData")) return false;
    const CFTypeID type = CFGetTypeID(v);
    if (type == CFStringGetTypeID()) return Element("string", StringOf(static_cast<CFStringRef>(v)));
    if (type == CFBooleanGetTypeID())
      return ok(xmlTextWriterStartElement(mW, BAD_CAST(CFBooleanGetValue(static_cast<CFBooleanRef>(v)) ? "true" : "false"))) &&
             ok(xmlTextWriterEndElement(mW));
    if (type == CFNumberGetTypeID()) return Number(static_cast<CFNumberRef>(v));
    if (type == CFDataGetTypeID()) {
      CFDataRef d = static_cast<CFDataRef>(v);
      const CFIndex n = CFDataGetLength(d);
      return ok(xmlTextWriterStartElement(mW, BAD_CAST "data")) &&
             ok(xmlTextWriterWriteBase64(mW, reinterpret_cast<const char*>(CFDataGetBytePtr(d)), 0, static_cast<int>(n))) &&
             ok(xmlTextWriterEndElement(mW));
    }
    if (type == CFArrayGetTypeID()) {
      CFArrayRef a = static_cast<CFArrayRef>(v);
      if (!ok(xmlTextWriterStartElement(mW, BAD_CAST "array"))) return false;
      for (CFIndex i = 0; i < CFArrayGetCount(a); ++i)
        if (!Value(CFArrayGetValueAtIndex(a, i), depth + 1)) return false;
      return ok(xmlTextWriterEndElement(mW));
    }
    if (type == CFDictionaryGetTypeID()) return Dictionary(static_cast<CFDictionaryRef>(v), depth);
    return false;  // not a property-list type
  }

private:
  static bool ok(int rc) { return rc >= 0; }

  bool Element(const char* name, const std::string& text) {
    return ok(xmlTextWriterWriteElement(mW, BAD_CAST name, BAD_CAST text.c_str()));
  }

  bool Number(CFNumberRef n) {
    char text[64];
    if (CFNumberIsFloatType(n)) {
      double d = 0.0;
      CFNumberGetValue(n, kCFNumberFloat64Type, &d);
      if (std::isnan(d)) return Element("real", "nan");
      if (std::isinf(d)) return Element("real", d > 0 ? "+infinity" : "-infinity");
      std::snprintf(text, sizeof text, "%.17g", d);
      return Element("real", text);
    }
    long long i = 0;
    CFNumberGetValue(n, kCFNumberSInt64Type, &i);
    std::snprintf(text, sizeof text, "%lld", i);
    return Element("integer", text);
  }

  // Keys are written in byte order, so equal dictionaries give equal files.
  bool Dictionary(CFDictionaryRef d, int depth) {
    const CFIndex n = CFDictionaryGetCount(d);
    std::vector<const void*> keys(n), values(n);
    CFDictionaryGetKeysAndValues(d, keys.data(), values.data());
    std::vector<std::pair<std::string, const void*>> entries;
    for (CFIndex i = 0; i < n; ++i) {
      if (!keys[i] || CFGetTypeID(keys[i]) != CFStringGetTypeID()) return false;  // keys must be strings
      entries.emplace_back(StringOf(static_cast<CFStringRef>(keys[i])), values[i]);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    if (!ok(xmlTextWriterStartElement(mW, BAD_CAST "dict"))) return false;
    for (const auto& e : entries)
      if (!Element("key", e.first) || !Value(e.second, depth + 1)) return false;
    return ok(xmlTextWriterEndElement(mW));
  }

  xmlTextWriterPtr mW;
};

// ---- parsing ----

int Base64Digit(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Strict base64 with whitespace allowed anywhere and '=' padding only at the end.
bool DecodeBase64(const std::string& text, std::vector<UInt8>* out) {
  unsigned int acc = 0;
  int bits = 0, padding = 0;
  for (unsigned char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
    if (c == '=') {
      if (++padding > 2) return false;
      continue;
    }
    const int digit = Base64Digit(c);
    if (digit < 0 || padding) return false;
    acc = (acc << 6) | static_cast<unsigned>(digit);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out->push_back(static_cast<UInt8>(acc >> bits));
      acc &= (1u << bits) - 1;
    }
  }
  // 1, 2 or 3 digits of a last group leave 6, 4 or 2 bits; only 4 and 2 are
  // whole bytes, and their padding, when present, must match.
  if (bits == 6 || acc != 0) return false;
  const int expectedPadding = bits == 4 ? 2 : bits == 2 ? 1 : 0;
  return padding == 0 || padding == expectedPadding;
}

bool IsWhitespace(const std::string& s) {
  return s.find_first_not_of(" \t\r\n") == std::string::npos;
}

class Parser {
public:
  std::string mError;

  // The value of one element; null and mError for anything not understood.
  CFTypeRef Value(xmlNodePtr node, int depth) {
    if (depth > kMaxDepth) return Fail("nesting too deep");
    const std::string name = reinterpret_cast<const char*>(node->name);
    if (name == "dict") return Dictionary(node, depth);
    if (name == "array") return Array(node, depth);
    if (name == "true" || name == "false") {
      if (!Children(node).empty()) return Fail("<" + name + "/> must be empty");
      return CFRetain(name == "true" ? kCFBooleanTrue : kCFBooleanFalse);
    }
    std::string text;
    if (!Text(node, &text)) return nullptr;
    if (name == "string") return corvane_cf::MakeString(text);
    if (name == "integer") return Integer(text);
    if (name == "real") return Real(text);
    if (name == "data") {
      std::vector<UInt8> bytes;
      if (!DecodeBase64(text, &bytes)) return Fail("<data> is not valid base64");
      return CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
    }
    return Fail("unsupported element <" + name + ">");
  }

private:
  std::nullptr_t Fail(const std::string& what) {
    if (mError.empty()) mError = what;
    return nullptr;
  }

  // Element children; text between them must be whitespace.
  std::vector<xmlNodePtr> Children(xmlNodePtr node) {
    std::vector<xmlNodePtr> children;
    for (xmlNodePtr c = node->children; c; c = c->next) {
      if (c->type == XML_ELEMENT_NODE) {
        children.push_back(c);
      } else if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
        if (!IsWhitespace(reinterpret_cast<const char*>(c->content ? c->content : BAD_CAST ""))) {
          Fail("unexpected text in <" + std::string(reinterpret_cast<const char*>(node->name)) + ">");
          children.push_back(nullptr);
        }
      } else if (c->type != XML_COMMENT_NODE && c->type != XML_PI_NODE) {
        Fail("unexpected content");
        children.push_back(nullptr);
      }
    }
    return children;
  }

  // The character data of a leaf element.
  bool Text(xmlNodePtr node, std::string* text) {
    for (xmlNodePtr c = node->children; c; c = c->next) {
      if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
        if (c->content) text->append(reinterpret_cast<const char*>(c->content));
      } else if (c->type != XML_COMMENT_NODE && c->type != XML_PI_NODE) {
        Fail("<" + std::string(reinterpret_cast<const char*>(node->name)) + "> must hold only text");
        return false;
      }
    }
    return true;
  }

  CFTypeRef Integer(const std::string& text) {
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || errno == ERANGE || !IsWhitespace(end) || IsWhitespace(text))
      return Fail("bad <integer> \"" + text + "\"");
    return CFNumberCreate(nullptr, kCFNumberSInt64Type, &v);
  }

  CFTypeRef Real(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (IsWhitespace(text) || !IsWhitespace(end)) return Fail("bad <real> \"" + text + "\"");
    return CFNumberCreate(nullptr, kCFNumberFloat64Type, &v);
  }

  CFTypeRef Array(xmlNodePtr node, int depth) {
    const std::vector<xmlNodePtr> children = Children(node);
    if (!mError.empty()) return nullptr;
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    if (!array) return Fail("out of memory");
    for (xmlNodePtr c : children) {
      CFTypeRef v = Value(c, depth + 1);
      if (!v) {
        CFRelease(array);
        return nullptr;
      }
      CFArrayAppendValue(array, v);
      CFRelease(v);
    }
    return array;
  }

  CFTypeRef Dictionary(xmlNodePtr node, int depth) {
    const std::vector<xmlNodePtr> children = Children(node);
    if (!mError.empty()) return nullptr;
    if (children.size() % 2) return Fail("<dict> has a key without a value");
    CFMutableDictionaryRef dict =
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    if (!dict) return Fail("out of memory");
    for (size_t i = 0; i < children.size(); i += 2) {
      CFTypeRef key = xmlStrEqual(children[i]->name, BAD_CAST "key") ? Value(Rename(children[i]), depth + 1)
                                                                      : Fail("<dict> entry without <key>");
      CFTypeRef value = key ? Value(children[i + 1], depth + 1) : nullptr;
      if (value) CFDictionarySetValue(dict, key, value);
      if (key) CFRelease(key);
      if (!value) {
        CFRelease(dict);
        return nullptr;
      }
      CFRelease(value);
    }
    return dict;
  }

  // A <key> reads like a <string>.
  static xmlNodePtr Rename(xmlNodePtr keyNode) {
    xmlNodeSetName(keyNode, BAD_CAST "string");
    return keyNode;
  }
};

}  // namespace

extern "C" {

CFDataRef CFPropertyListCreateData(CFAllocatorRef, CFPropertyListRef propertyList, CFPropertyListFormat format,
                                   CFOptionFlags, CFErrorRef* error) {
  if (error) *error = nullptr;
  if (format != kCFPropertyListXMLFormat_v1_0) {
    SetError(error, kCFPropertyListWriteInvalidError, "only the XML property list format can be written");
    return nullptr;
  }
  xmlBufferPtr buffer = xmlBufferCreate();
  xmlTextWriterPtr w = buffer ? xmlNewTextWriterMemory(buffer, 0) : nullptr;
  bool written = false;
  if (w) {
    xmlTextWriterSetIndent(w, 1);
    xmlTextWriterSetIndentString(w, BAD_CAST "\t");
    try {
      written = xmlTextWriterStartDocument(w, "1.0", "UTF-8", nullptr) >= 0 &&
                xmlTextWriterWriteRaw(w, BAD_CAST kDoctype) >= 0 &&
                xmlTextWriterStartElement(w, BAD_CAST "plist") >= 0 &&
                xmlTextWriterWriteAttribute(w, BAD_CAST "version", BAD_CAST "1.0") >= 0 &&
                Writer(w).Value(propertyList, 0) && xmlTextWriterEndDocument(w) >= 0;
    } catch (const std::bad_alloc&) {
      written = false;
    }
    xmlFreeTextWriter(w);  // flushes into the buffer
  }
  CFDataRef data = nullptr;
  if (written) data = CFDataCreate(nullptr, xmlBufferContent(buffer), xmlBufferLength(buffer));
  if (buffer) xmlBufferFree(buffer);
  if (!data) SetError(error, kCFPropertyListWriteInvalidError, "the value is not a property list");
  return data;
}

CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef, CFDataRef data, CFOptionFlags, CFPropertyListFormat* format,
                                               CFErrorRef* error) {
  if (error) *error = nullptr;
  if (!corvane_cf::Lookup(data, CFDataGetTypeID(), "CFPropertyListCreateWithData")) {
    SetError(error, kCFPropertyListReadCorruptError, "no data");
    return nullptr;
  }
  const CFIndex length = CFDataGetLength(data);
  if (length > 0x7fffffff) {
    SetError(error, kCFPropertyListReadCorruptError, "property list too large");
    return nullptr;
  }
  // No network, no entity expansion: a property list needs neither.
  xmlDocPtr doc = xmlReadMemory(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), static_cast<int>(length),
                                "plist.xml", nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  Parser parser;
  CFPropertyListRef result = nullptr;
  if (!doc) {
    parser.mError = "not well-formed XML";
  } else if (doc->intSubset && doc->intSubset->entities) {
    parser.mError = "entity declarations are not allowed";
  } else {
    xmlNodePtr root = xmlDocGetRootElement(doc);
    xmlNodePtr top = nullptr;
    int elements = 0;
    bool strayText = false;
    if (root && xmlStrEqual(root->name, BAD_CAST "plist")) {
      for (xmlNodePtr c = root->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE) top = ++elements == 1 ? c : top;
        if (c->type == XML_TEXT_NODE && c->content && !IsWhitespace(reinterpret_cast<const char*>(c->content)))
          strayText = true;
      }
    }
    if (!root || !xmlStrEqual(root->name, BAD_CAST "plist") || elements != 1 || strayText) {
      parser.mError = "not a property list";
    } else {
      try {
        result = parser.Value(top, 0);
      } catch (const std::bad_alloc&) {
        parser.mError = "out of memory";
      }
    }
  }
  if (doc) xmlFreeDoc(doc);
  if (!result) {
    SetError(error, kCFPropertyListReadCorruptError, "damaged property list: " + parser.mError);
    return nullptr;
  }
  if (format) *format = kCFPropertyListXMLFormat_v1_0;
  return result;
}

}  // extern "C"
