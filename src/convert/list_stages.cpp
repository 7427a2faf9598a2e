// List stages. Items are marked in one pass over the document. Grouping is
// defined as a sequence of whole-text replacements (each list block's exact
// text replaced everywhere by its wrapped form, then each wrapped block's text
// by its nested form); done literally that costs blocks x document size. The
// usual path computes the same result in one pass: the replacements only ever
// insert list tags, so the text is kept as the unchanged original plus the
// tags inserted at each position, and the occurrences of a block are looked up
// in an index instead of being searched for. When the text holds anything
// that could make a later replacement see an earlier one's tags (list tags
// already present, or a block repeating the tail of another), the literal
// replacements run instead, so the result is the same either way.
#include "convert/list_stages.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "convert/document_lease.h"
#include "convert/state.h"
#include "text/regex.h"
#include "text/text_ops.h"
#include "text/xml_fragments.h"

namespace quillon {
namespace {

constexpr std::string_view kItemOpen = "<li>";
constexpr std::string_view kItemClose = "</li>";

int Len(std::string_view s) { return static_cast<int>(s.size()); }

// Calls f(i) for the 0-based index of every "<" of the text, in order.
template <typename F>
void ForEachTagStart(std::string_view text, F f) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  for (const char* p = begin; p < end; ++p) {
    p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
    if (p == nullptr) break;
    f(static_cast<size_t>(p - begin));
  }
}

// ASCII case-insensitive comparison with a lower-case marker.
bool IsFolded(std::string_view text, size_t at, std::string_view lower) {
  if (at + lower.size() > text.size()) return false;
  for (size_t i = 0; i < lower.size(); ++i) {
    char c = text[at + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

bool IsListTagFolded(std::string_view text, size_t at) {
  return IsFolded(text, at, "<ol>") || IsFolded(text, at, "<ul>") || IsFolded(text, at, "</ol>") ||
         IsFolded(text, at, "</ul>");
}

// True when removing every tag ("<" + one or more non-">" + ">") from
// text[from, to) (1-based) leaves at least one character.
bool HasVisibleText(std::string_view text, int from, int to) {
  size_t i = static_cast<size_t>(from) - 1;
  const size_t end = std::min(static_cast<size_t>(to) - 1, text.size());
  while (i < end) {
    if (text[i] != '<') return true;
    const size_t close = text.find('>', i + 1);
    if (close == std::string_view::npos || close >= end || close == i + 1) return true;
    i = close + 1;
  }
  return false;
}

// The numbering instance named inside the numPr element at q: "0" is Word's
// "no numbering", which makes no list item.
bool RefersToNumbering(std::string_view text, int q, int paragraph_end) {
  int end = PosFrom(text, "</numPr>", q);
  if (end == 0 || end > paragraph_end) end = paragraph_end;
  const std::string id = TextBetween(text.substr(q - 1, end - q), "<numId val=\"", "\"");
  return id != "0";
}

// ListKindOf with a cache per numbering id, and the kind computed last (the
// nesting phase closes lists with it).
class ListKinds {
 public:
  const std::string& Of(std::string_view text) {
    const std::string id = TextBetween(text, "<numId val=\"", "\"");
    auto it = by_id_.find(id);
    if (it == by_id_.end()) it = by_id_.emplace(id, KindOfId(id)).first;
    last_ = it->second;
    return last_;
  }
  const std::string& last() const { return last_; }

  static std::string KindOfId(const std::string& id) {
    // An id or definition that is not there gives no format, so "ul" (an
    // empty id would otherwise select the first instance or definition).
    const std::string& numbering = State().NumberingText;
    if (id.empty()) return "ul";
    const std::string instance = TextBetween(numbering, "<num numId=\"" + id, "</num>");
    const std::string abstract_id = AttrValue(instance, "<abstractNumId val");
    if (abstract_id.empty()) return "ul";
    const std::string definition =
        TextBetween(numbering, "<abstractNum abstractNumId=\"" + abstract_id, "</abstractNum>");
    return AttrValue(definition, "<numFmt val") == "decimal" ? "ol" : "ul";
  }

 private:
  std::unordered_map<std::string, std::string> by_id_;
  std::string last_;
};

struct Span {
  int pos;  // 1-based
  int len;
};

// Every match of |pattern| in the document, in order (the matches MatchList
// would give, with their positions).
std::vector<Span> MatchSpans(const std::string& pattern) {
  SharedRegex().SetPattern(pattern);
  DocumentLease lease;
  TVelRegEx& regex = lease.regex();
  std::vector<Span> spans;
  if (regex.Match()) {
    do {
      spans.push_back({regex.MatchedOffset(), regex.MatchedLength()});
    } while (regex.MatchAgain());
  }
  return spans;
}

std::string_view View(const std::string& text, Span s) {
  return std::string_view(text).substr(s.pos - 1, s.len);
}

// The first item of a text beginning with "<li>": through the first "</li>"
// that can close it, or empty when there is none.
std::string_view FirstItem(std::string_view text) {
  if (text.substr(0, kItemOpen.size()) != kItemOpen) return {};
  const size_t close = text.find(kItemClose, kItemOpen.size() + 1);
  if (close == std::string_view::npos) return {};
  return text.substr(0, close + kItemClose.size());
}

// Positions (1-based) of "<li>" tags, by the text of the item each begins.
using ItemIndex = std::unordered_map<std::string_view, std::vector<int>>;

void AddItem(ItemIndex& index, std::string_view text, size_t at) {
  const std::string_view item = FirstItem(text.substr(at));
  if (!item.empty()) index[item].push_back(static_cast<int>(at) + 1);
}

// Tags inserted at one position of the original text: closers of lists that
// end there come first (newest first), then openers of lists that start there
// (oldest first).
struct Inserted {
  std::vector<std::string> closers;  // newest last; written in reverse
  std::vector<std::string> openers;
};

std::string Rebuild(const std::string& text, const std::map<int, Inserted>& inserted) {
  SpliceBuilder out(text);
  for (const auto& [pos, tags] : inserted) {
    out.CopyUpTo(pos);
    for (auto it = tags.closers.rbegin(); it != tags.closers.rend(); ++it) out.Append(*it);
    for (const std::string& tag : tags.openers) out.Append(tag);
  }
  return out.Finish();
}

// Phase 1: each block's exact text, everywhere, becomes "<k>" block "</k>".
void GroupBlocks(ListKinds& kinds) {
  ConversionState& state = State();
  const std::vector<Span> blocks = MatchSpans("((<li>.+?</li>\\s*)+)");
  if (blocks.empty()) return;
  const std::string& text = state.DocumentText;

  // One pass: are there list tags already, and where does each item begin.
  const std::string_view view(text);
  bool indexed = true;
  ItemIndex index;
  ForEachTagStart(view, [&](size_t i) {
    if (view.compare(i, 4, "<li>") == 0) {
      AddItem(index, view, i);
    } else if (view.compare(i, 4, "<ol>") == 0 || view.compare(i, 4, "<ul>") == 0 ||
               view.compare(i, 5, "</ol>") == 0 || view.compare(i, 5, "</ul>") == 0) {
      indexed = false;
    }
  });
  for (size_t i = 0; indexed && i < blocks.size(); ++i) {
    indexed = !FirstItem(View(text, blocks[i])).empty();
  }
  if (!indexed) {
    std::vector<std::string> texts;
    for (Span b : blocks) texts.emplace_back(View(text, b));
    for (const std::string& block : texts) {
      const std::string kind = kinds.Of(block);
      state.DocumentText =
          ReplaceAll(state.DocumentText, block, "<" + kind + ">" + block + "</" + kind + ">");
    }
    return;
  }

  // A block's text occurs in the current text wherever it occurs in the
  // original with no tag inserted strictly inside it (the tags never occur in
  // a block); such an occurrence begins at a "<li>" whose first item is the
  // block's first item.
  std::map<int, Inserted> inserted;
  std::set<int> points;
  for (Span b : blocks) {
    const std::string_view block = View(text, b);
    const std::string& kind = kinds.Of(block);
    auto candidates = index.find(FirstItem(block));
    if (candidates == index.end()) continue;
    std::vector<int> hits;
    int free_from = 0;
    for (int s : candidates->second) {
      if (s < free_from || s - 1 + b.len > Len(text)) continue;
      if (std::string_view(text).substr(s - 1, b.len) != block) continue;
      auto inside = points.upper_bound(s);
      if (inside != points.end() && *inside < s + b.len) continue;
      hits.push_back(s);
      free_from = s + b.len;
    }
    for (int s : hits) {
      inserted[s].openers.push_back("<" + kind + ">");
      inserted[s + b.len].closers.push_back("</" + kind + ">");
      points.insert(s);
      points.insert(s + b.len);
    }
  }
  state.DocumentText = Rebuild(text, inserted);
}

int LevelOf(std::string_view piece) {
  std::string level = ValAttr(piece, "ilvl");
  // An item without a level is on the first level, as Word reads it.
  if (level.empty()) return 0;
  // A level element not closed right after its value (a blank before "/>",
  // or a further attribute) gives a run-on text; its val attribute is the
  // level then.
  if (level.find('"') != std::string::npos) level = AttrValue(EmptyElement(piece, "ilvl"), "val");
  return StrToIntStrict(level);
}

// The nested form of one wrapped block: the tags to insert before its pieces
// (offsets into the block text). Updates the stage's nesting flag.
std::vector<std::pair<int, std::string>> NestingOf(std::string_view block, ListKinds& kinds,
                                                   bool& nested_seen) {
  std::vector<std::pair<int, std::string>> tags;
  const TextList pieces = SplitText(block, kItemClose);
  int previous = LevelOf(pieces[0]);
  bool open = false;
  int offset = 0;
  for (size_t i = 0; i + 1 < pieces.size(); ++i) {
    const std::string piece = pieces[i] + std::string(kItemClose);
    const int level = LevelOf(piece);
    if (level > previous) {
      tags.emplace_back(offset, "<" + kinds.Of(piece) + ">");
      open = true;
      nested_seen = true;
    } else if (level < previous) {
      tags.emplace_back(offset, "</" + kinds.last() + ">");
      open = false;
    }
    previous = level;
    offset += Len(piece);
  }
  if (open) tags.emplace_back(offset, "</" + kinds.last() + ">");
  return tags;
}

std::string Nested(std::string_view block, const std::vector<std::pair<int, std::string>>& tags) {
  std::string out;
  out.reserve(block.size() + 8 * tags.size());
  size_t from = 0;
  for (const auto& [offset, tag] : tags) {
    out.append(block.substr(from, offset - from));
    out.append(tag);
    from = offset;
  }
  out.append(block.substr(from));
  return out;
}

// Skips the characters "\\s" matches (blank, tab, line feed, vertical tab,
// form feed, carriage return).
size_t SkipBlanks(std::string_view text, size_t at) {
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  return at;
}

bool IsOpenerFolded(std::string_view text, size_t at) {
  return IsFolded(text, at, "<ol>") || IsFolded(text, at, "<ul>");
}

bool IsCloserFolded(std::string_view text, size_t at) {
  return IsFolded(text, at, "</ol>") || IsFolded(text, at, "</ul>");
}

// The one-pass nesting is exact when no replacement can match across tags an
// earlier one inserted (those go right after item ends). That holds when
// every wrapped block is start tags (one, or several for a block whose text
// occurs several times), items, and one end tag; no item end is followed by
// a list start tag and no list end tag by an item (signs of a block wrapped
// inside another); and no block with one start tag repeats, after that tag,
// text that follows an item end elsewhere.
bool NestingIsLocal(const std::string& text, const std::vector<Span>& blocks) {
  // One pass over the tags; the items that directly follow an item end are
  // indexed by their text.
  const std::string_view view(text);
  bool local = true;
  ItemIndex after_item_end;
  ForEachTagStart(view, [&](size_t i) {
    if (IsFolded(view, i, "</li>")) {
      if (IsOpenerFolded(view, SkipBlanks(view, i + 5))) local = false;
      if (view.compare(i + 5, 4, "<li>") == 0) AddItem(after_item_end, view, i + 5);
    } else if (IsCloserFolded(view, i)) {
      if (IsFolded(view, SkipBlanks(view, i + 5), "<li>")) local = false;
    }
  });
  if (!local) return false;
  for (Span b : blocks) {
    const std::string_view block = View(text, b);
    size_t openers = 0;
    while (IsOpenerFolded(block, 4 * openers)) ++openers;
    size_t tags = 0;
    ForEachTagStart(block, [&](size_t i) { tags += IsListTagFolded(block, i) ? 1 : 0; });
    if (tags != openers + 1) return false;
    if (openers > 1) continue;
    const std::string_view rest = block.substr(4);
    const std::string_view first = FirstItem(rest);
    if (first.empty()) return false;
    auto candidates = after_item_end.find(first);
    if (candidates == after_item_end.end()) continue;
    for (int s : candidates->second) {
      if (view.substr(s - 1, rest.size()) == rest) return false;
    }
  }
  return true;
}

// Phase 2: each wrapped block's exact text, everywhere, becomes its nested
// form, once any block has opened a nested list.
void NestLevels(ListKinds& kinds) {
  ConversionState& state = State();
  const std::vector<Span> blocks = MatchSpans("<([uo]l)>.+?</\\1>");
  if (blocks.empty()) return;
  const std::string& text = state.DocumentText;
  bool nested_seen = false;

  if (!NestingIsLocal(text, blocks)) {
    std::vector<std::string> texts;
    for (Span b : blocks) texts.emplace_back(View(text, b));
    for (const std::string& block : texts) {
      const auto tags = NestingOf(block, kinds, nested_seen);
      if (nested_seen && !tags.empty()) {
        state.DocumentText = ReplaceAll(state.DocumentText, block, Nested(block, tags));
      }
    }
    return;
  }

  // Each block text occurs exactly where a wrapped block with that text was
  // matched; a replaced occurrence no longer holds the text.
  std::unordered_map<std::string_view, std::vector<size_t>> by_text;
  for (size_t j = 0; j < blocks.size(); ++j) by_text[View(text, blocks[j])].push_back(j);
  std::vector<std::vector<std::pair<int, std::string>>> nesting(blocks.size());
  std::vector<bool> replaced(blocks.size(), false);
  std::map<int, Inserted> inserted;
  for (size_t j = 0; j < blocks.size(); ++j) {
    const std::string_view block = View(text, blocks[j]);
    nesting[j] = NestingOf(block, kinds, nested_seen);
    if (!nested_seen || nesting[j].empty()) continue;
    for (size_t m : by_text[block]) {
      if (replaced[m]) continue;
      replaced[m] = true;
      for (const auto& [offset, tag] : nesting[j]) {
        inserted[blocks[m].pos + offset].openers.push_back(tag);
      }
    }
  }
  if (!inserted.empty()) state.DocumentText = Rebuild(text, inserted);
}

}  // namespace

void ParseListItems() {
  ConversionState& state = State();
  state.HasLists = false;
  const std::string& text = state.DocumentText;
  constexpr std::string_view kNumPr = "<numPr>";
  int q = PosFrom(text, kNumPr, 1);
  if (q == 0) return;
  state.HasLists = true;
  SpliceBuilder out(text);
  while (q > 0) {
    const int start = PosBackFrom(text, "<p>", q);
    const int end = PosFrom(text, "</p>", q);
    if (end == 0) break;  // no paragraph end: no later reference can make an item
    if (start > 0 && start >= out.CopyPos() && RefersToNumbering(text, q, end) &&
        HasVisibleText(text, start, end)) {
      out.CopyUpTo(start);
      out.Append(kItemOpen);
      out.CopyUpTo(end + 4);
      out.Append(kItemClose);
    }
    q = PosFrom(text, kNumPr, end);
  }
  state.DocumentText = out.Finish();
}

void GroupLists() {
  if (!State().HasLists) return;
  ListKinds kinds;
  GroupBlocks(kinds);
  NestLevels(kinds);
}

std::string ListKindOf(const std::string& text) {
  return ListKinds::KindOfId(TextBetween(text, "<numId val=\"", "\""));
}

}  // namespace quillon
