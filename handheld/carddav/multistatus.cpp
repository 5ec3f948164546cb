#include "handheld/carddav/multistatus.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <cstring>
#include <memory>
#include <mutex>

namespace velmora::carddav {
namespace {

constexpr const char* kDav = "DAV:";
constexpr const char* kCardDav = "urn:ietf:params:xml:ns:carddav";

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

bool Is(const xmlNode* node, const char* ns, const char* name) {
  return node && node->type == XML_ELEMENT_NODE && node->ns && node->ns->href &&
         std::strcmp(reinterpret_cast<const char*>(node->ns->href), ns) == 0 &&
         std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

const xmlNode* Child(const xmlNode* node, const char* ns, const char* name) {
  for (const xmlNode* c = node ? node->children : nullptr; c; c = c->next) {
    if (Is(c, ns, name)) return c;
  }
  return nullptr;
}

std::string Text(const xmlNode* node) {
  if (!node) return {};
  xmlChar* content = xmlNodeGetContent(node);
  std::string text = content ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  return text;
}

std::string Trimmed(const xmlNode* node) {
  std::string text = Text(node);
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// The code of "HTTP/1.1 200 OK"; 0 when it is not a status line.
int StatusCode(const std::string& line) {
  const std::size_t space = line.find(' ');
  if (line.rfind("HTTP/", 0) != 0 || space == std::string::npos || line.size() < space + 4)
    return 0;
  int code = 0;
  for (std::size_t i = space + 1; i < space + 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    code = code * 10 + (line[i] - '0');
  }
  return code;
}

void ReadProps(const xmlNode* prop, DavResource& resource) {
  for (const xmlNode* p = prop->children; p; p = p->next) {
    if (Is(p, kDav, "getetag")) {
      resource.etag = Trimmed(p);
    } else if (Is(p, kCardDav, "address-data")) {
      resource.address_data = Text(p);
    } else if (Is(p, kDav, "resourcetype")) {
      resource.collection = Child(p, kDav, "collection") != nullptr;
      resource.address_book = Child(p, kCardDav, "addressbook") != nullptr;
    } else if (Is(p, kDav, "current-user-principal")) {
      resource.principal = Trimmed(Child(p, kDav, "href"));
    } else if (Is(p, kCardDav, "addressbook-home-set")) {
      resource.address_home = Trimmed(Child(p, kDav, "href"));
    }
  }
}

}  // namespace

std::optional<std::vector<DavResource>> ReadMultistatus(std::string_view xml, std::string* why) {
  auto fail = [why](const char* reason) -> std::optional<std::vector<DavResource>> {
    if (why) *why = reason;
    return std::nullopt;
  };
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
  if (xml.size() > static_cast<std::size_t>(INT_MAX)) return fail("the answer is too long");
  // No network, no entity substitution, no DTD loading; errors are ours to report.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
  std::unique_ptr<xmlDoc, DocFree> doc(
      xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "multistatus.xml", nullptr, options));
  if (!doc) return fail("the server's answer is not well-formed XML");
  if (doc->intSubset || doc->extSubset) return fail("the server's answer holds a DTD; refused");
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!Is(root, kDav, "multistatus")) return fail("the server's answer is not a multistatus");
  std::vector<DavResource> resources;
  for (const xmlNode* r = root->children; r; r = r->next) {
    if (!Is(r, kDav, "response")) continue;
    DavResource resource;
    resource.href = Trimmed(Child(r, kDav, "href"));
    if (resource.href.empty()) return fail("a response of the server's answer names no href");
    if (const xmlNode* status = Child(r, kDav, "status"))
      resource.status = StatusCode(Trimmed(status));
    for (const xmlNode* ps = r->children; ps; ps = ps->next) {
      if (!Is(ps, kDav, "propstat")) continue;
      const int code = StatusCode(Trimmed(Child(ps, kDav, "status")));
      const xmlNode* prop = Child(ps, kDav, "prop");
      if (code >= 200 && code < 300 && prop) ReadProps(prop, resource);
    }
    resources.push_back(std::move(resource));
  }
  return resources;
}

}  // namespace velmora::carddav
