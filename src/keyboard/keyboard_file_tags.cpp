// Acting on the tags of a keyboard file: the keys and colour sets are built as the file
// is read, while the roles and templates are posted, to be taken up after it.
#include "keyboard/keyboard_file_tags.h"

#include "base/bus.h"
#include "base/messages.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/keyboard.h"
#include "keyboard/state.h"
#include "platform/os.h"

namespace mivo {

namespace {

constexpr int ERROR_ID_TAKEN = 32;

// The tags that name a key (or a colour set) for the owner of a role (or a template).
struct RoleTag {
  int type;
  os::UINT message;
  bool colourSet;
};

constexpr RoleTag ROLE_TAGS[] = {
    {TAG_HOME, MM_SET_HOME, false},
    {TAG_START, MM_SET_START, false},
    {TAG_YOSOKU, MM_SET_YOSOKU, false},
    {TAG_PYOSOKU, MM_SET_PYOSOKU, false},
    {TAG_KEYBOARD, MM_SET_KEYBOARD, false},
    {TAG_YOMI, MM_SET_YOMI, false},
    {TAG_YOSOKUCOLOR, MM_SET_YOSOKU_COLOR, true},
    {TAG_PYOSOKUCOLOR, MM_SET_PYOSOKU_COLOR, true},
    {TAG_NEXTCOLOR, MM_SET_NEXT_COLOR, true},
    {TAG_PREVIOUSCOLOR, MM_SET_PREVIOUS_COLOR, true},
    {TAG_IMECOLOR, MM_SET_IMECAND_COLOR, true},
};

int MakeKey(int32_t tagId, int32_t idBase, const AttributeSet& set) {
  if (tagId == 0 || FindKeyById(tagId) != 0) return ERROR_ID_TAKEN;
  const uint32_t* v = set.value;
  const int32_t parent =
      FindKeyById(static_cast<int32_t>(v[A_PARENT] + static_cast<uint32_t>(idBase)));
  const int32_t colorSet =
      v[A_COLORSET] != 0 ? FindColorSetById(static_cast<int32_t>(v[A_COLORSET])) : 0;
  CreateKey(static_cast<int32_t>(v[A_TYPE]), parent, v[A_X], v[A_Y], v[A_CX], v[A_CY], tagId,
            set.Text(A_NAME), set.Text(A_ONFOCUS), set.Text(A_ONUNFOCUS), set.Text(A_ONSELECT),
            set.Text(A_ONUNSELECT), set.Text(A_ONSELECTED), colorSet,
            static_cast<int32_t>(v[A_VISIBLE]));
  return 0;
}

int MakeColorSet(int32_t tagId, const AttributeSet& set) {
  if (FindColorSetById(tagId) != 0) return ERROR_ID_TAKEN;
  if (keyboardState.hooks.defaultTemplates) keyboardState.hooks.defaultTemplates();
  const uint32_t* v = set.value;
  CreateColorSet(tagId, v[A_NORMAL], v[A_FOCUS], v[A_SELECT], v[A_FNORMAL], v[A_FFOCUS],
                 v[A_FSELECT], v[A_TNORMAL], v[A_TFOCUS], v[A_TSELECT]);
  return 0;
}

// A file that loads itself (or a cycle of files) several times per level would otherwise
// multiply the work at every level of nesting: the outermost read has a budget of loads.
bool IsBeingRead(const char* name) {
  const size_t length = TextLength(name);
  for (int i = 0; i < keyboardState.loadDepth; ++i) {
    if (TextEqualNoCase(keyboardState.loadChain[i], name,
                        TextLength(keyboardState.loadChain[i]) + 1, length + 1))
      return true;
  }
  return false;
}

// A file that loads itself, or an ancestor, would recurse without end: such a load, one
// past the nesting limit or past the load budget, is skipped like a missing file.
void LoadNested(const char* name, int32_t idBase) {
  if (keyboardState.loadDepth < KEYBOARD_LOAD_DEPTH_LIMIT && keyboardState.loadsLeft > 0 &&
      !IsBeingRead(name)) {
    --keyboardState.loadsLeft;
    LoadKeyboardFile(name, idBase);
  }
}

void PostRole(int type, int32_t tagId) {
  for (const RoleTag& role : ROLE_TAGS) {
    if (role.type != type) continue;
    const int32_t index = role.colourSet ? FindColorSetById(tagId) : FindKeyById(tagId);
    PostToMain(role.message, static_cast<os::WPARAM>(index), 0);
    return;
  }
}

}  // namespace

int ActOnTag(int type, int32_t tagId, int32_t* idBase, const AttributeSet& set) {
  switch (type) {
    case TAG_KEY:
      return MakeKey(tagId, *idBase, set);
    case TAG_COLOR:
      return MakeColorSet(tagId, set);
    case TAG_LOAD:
      LoadNested(set.Text(A_FILE), tagId);
      return 0;
    case TAG_BASE:
      *idBase = static_cast<int32_t>(static_cast<uint32_t>(tagId) - static_cast<uint32_t>(*idBase));
      return 0;
    case TAG_BASEADD:
      *idBase = tagId;
      return 0;
    case TAG_ONBEGIN:
      return 0;
    default:
      PostRole(type, tagId);
      return 0;
  }
}

}  // namespace mivo
