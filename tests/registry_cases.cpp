// Registry access by root abbreviation and key path, checked against the
// store itself through the raw primitives.
#include <gtest/gtest.h>

#include "settings/model/registry_access.h"
#include "system/error.h"
#include "system/services.h"
#include "tests/registry_backend.h"

namespace kst {
namespace {

using sys::RootKey;

const Text kBase = u"SOFTWARE\\KestraneTests";
// The layer reaches every key in the 32-bit view; the raw checks look there too.
constexpr uint32_t kView = sys::access::kView32;

class RegistryAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    test::registryTestBackend().install();
    removeTree(RootKey::CurrentUser, kBase);
    removeTree(RootKey::LocalMachine, kBase);
  }
  void TearDown() override {
    test::registryTestBackend().restoreAccess(RootKey::LocalMachine, kBase);
    removeTree(RootKey::CurrentUser, kBase);
    removeTree(RootKey::LocalMachine, kBase);
    test::registryTestBackend().uninstall();
  }

  static void put(RootKey root, const Text& path, const Text& name, const sys::RegValue& value) {
    auto& registry = sys::registry();
    sys::OpenKey key(registry);
    ASSERT_EQ(registry.createKey(root, path, sys::access::kAll | kView, *key.out()), sys::kSuccess);
    ASSERT_EQ(registry.setValue(key.get(), name, value), sys::kSuccess);
  }

  static std::optional<sys::RegValue> get(RootKey root, const Text& path, const Text& name) {
    auto& registry = sys::registry();
    sys::OpenKey key(registry);
    if (registry.openKey(root, path, sys::access::kRead | kView, *key.out()) != sys::kSuccess) return std::nullopt;
    sys::RegValue value;
    if (registry.queryValue(key.get(), name, value) != sys::kSuccess) return std::nullopt;
    return value;
  }

  static bool exists(RootKey root, const Text& path) {
    sys::OpenKey key(sys::registry());
    return sys::registry().openKey(root, path, sys::access::kRead | kView, *key.out()) == sys::kSuccess;
  }

  static void removeTree(RootKey root, const Text& path) {
    auto& registry = sys::registry();
    std::vector<Text> children;
    {
      sys::OpenKey key(registry);
      if (registry.openKey(root, path, sys::access::kRead | kView, *key.out()) != sys::kSuccess) return;
      Text name;
      for (uint32_t i = 0; registry.enumSubKey(key.get(), i, name) == sys::kSuccess; ++i) {
        children.push_back(name);
      }
    }
    for (const Text& child : children) removeTree(root, path + u"\\" + child);
    registry.deleteKey(root, path, kView);
  }
};

TEST_F(RegistryAccess, UpperCasingChangesOnlyLatinLettersAndThreeUmlauts) {
  EXPECT_EQ(upperCaseText(u"abcxyz"), u"ABCXYZ");
  EXPECT_EQ(upperCaseText(u"\u00E4\u00F6\u00FC"), u"\u00C4\u00D6\u00DC");
  EXPECT_EQ(upperCaseText(u"09AZ\u00DF\u00E9\u00E0-_ "), u"09AZ\u00DF\u00E9\u00E0-_ ");
  EXPECT_EQ(upperCaseChar(u'`'), u'`');
  EXPECT_EQ(upperCaseChar(u'{'), u'{');
}

TEST_F(RegistryAccess, RootAbbreviationsIgnoreCaseAndAnythingElseIsCurrentUser) {
  EXPECT_EQ(rootKeyFor(u"hklm"), RootKey::LocalMachine);
  EXPECT_EQ(rootKeyFor(u"HkLm"), RootKey::LocalMachine);
  EXPECT_EQ(rootKeyFor(u"hkcu"), RootKey::CurrentUser);
  EXPECT_EQ(rootKeyFor(u"Hkcr"), RootKey::ClassesRoot);
  EXPECT_EQ(rootKeyFor(u"hku"), RootKey::Users);
  EXPECT_EQ(rootKeyFor(u"hkCC"), RootKey::CurrentConfig);
  EXPECT_EQ(rootKeyFor(u"HKEY_LOCAL_MACHINE"), RootKey::CurrentUser);
  EXPECT_EQ(rootKeyFor(u""), RootKey::CurrentUser);

  put(RootKey::LocalMachine, kBase, u"Where", sys::dwordValue(1));
  put(RootKey::CurrentUser, kBase, u"Where", sys::dwordValue(2));
  bool found = false;
  EXPECT_EQ(readRegInteger(u"hKlM", kBase, u"Where", found), 1);
  EXPECT_EQ(readRegInteger(u"HKEY_LOCAL_MACHINE", kBase, u"Where", found), 2);
}

TEST_F(RegistryAccess, SlashesAndOuterSeparatorsNameTheSameKey) {
  EXPECT_EQ(normalizeKeyPath(u"/SOFTWARE/Lenovo/"), u"SOFTWARE\\Lenovo");
  EXPECT_EQ(normalizeKeyPath(u"\\SOFTWARE\\Lenovo\\"), u"SOFTWARE\\Lenovo");
  put(RootKey::CurrentUser, kBase + u"\\A\\B", u"V", sys::dwordValue(7));
  bool found = false;
  EXPECT_EQ(readRegInteger(u"HKCU", u"/SOFTWARE/KestraneTests/A/B/", u"V", found), 7);
  EXPECT_TRUE(found);
  EXPECT_EQ(writeRegInteger(u"HKCU", u"\\SOFTWARE\\KestraneTests\\A\\B\\", u"W", 8), WriteResult::Written);
  EXPECT_EQ(get(RootKey::CurrentUser, kBase + u"\\A\\B", u"W")->data, sys::dwordValue(8).data);
}

TEST_F(RegistryAccess, PathsWithAnEmptyComponentNameNoKey) {
  put(RootKey::CurrentUser, kBase + u"\\A", u"V", sys::dwordValue(1));
  put(RootKey::CurrentUser, kBase + u"\\A\\B", u"V", sys::dwordValue(1));
  for (const Text& bad : {kBase + u"\\\\A", kBase + u"\\A\\\\", u"\\\\" + kBase + u"\\A", kBase + u"//A", Text(u"\\"),
                          Text(u""), Text(u"\\\\")}) {
    SCOPED_TRACE(toUtf8(bad));
    bool found = true;
    EXPECT_EQ(readRegInteger(u"HKCU", bad, u"V", found), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(readRegString(u"HKCU", bad, u"V"), u"");
    EXPECT_FALSE(regKeyExists(u"HKCU", bad));
    EXPECT_THROW(writeRegInteger(u"HKCU", bad, u"New", 1), Error) << "no key to refuse: the caller's mistake";
    EXPECT_EQ(deleteRegKey(u"HKCU", bad), DeleteResult::Missing);
    EXPECT_TRUE(listRegSubKeys(u"HKCU", bad).empty());
  }
  // A lone separator after a data key path must not reach the data key itself.
  EXPECT_EQ(deleteRegKey(u"HKCU", kBase + u"\\A\\" + u"\\"), DeleteResult::Missing);
  EXPECT_TRUE(exists(RootKey::CurrentUser, kBase + u"\\A\\B"));
  EXPECT_FALSE(get(RootKey::CurrentUser, kBase + u"\\A", u"New").has_value());
}

TEST_F(RegistryAccess, MissingValueIsNotFoundWhileStoredZeroIsFound) {
  put(RootKey::CurrentUser, kBase, u"Zero", sys::dwordValue(0));
  bool found = true;
  EXPECT_EQ(readRegInteger(u"HKCU", kBase, u"Missing", found), 0);
  EXPECT_FALSE(found);
  EXPECT_EQ(readRegInteger(u"HKCU", kBase, u"Zero", found), 0);
  EXPECT_TRUE(found);
  EXPECT_EQ(readRegInteger(u"HKCU", kBase + u"\\NoSuchKey", u"Zero", found), 0);
  EXPECT_FALSE(found);
  EXPECT_EQ(readRegString(u"HKCU", kBase + u"\\NoSuchKey", u"Zero"), u"");
}

TEST_F(RegistryAccess, LargestNumberReadsAndTopBitRaises) {
  put(RootKey::CurrentUser, kBase, u"Max", sys::dwordValue(2147483647u));
  put(RootKey::CurrentUser, kBase, u"TopBit", sys::dwordValue(2147483648u));
  put(RootKey::CurrentUser, kBase, u"AllBits", sys::dwordValue(4294967295u));
  bool found = false;
  EXPECT_EQ(readRegInteger(u"HKCU", kBase, u"Max", found), 2147483647);
  EXPECT_THROW(readRegInteger(u"HKCU", kBase, u"TopBit", found), Error);
  EXPECT_THROW(readRegInteger(u"HKCU", kBase, u"AllBits", found), Error);
}

TEST_F(RegistryAccess, WrongValueTypesRaiseReadableErrors) {
  put(RootKey::CurrentUser, kBase, u"Text", sys::stringValue(u"12"));
  put(RootKey::CurrentUser, kBase, u"Number", sys::dwordValue(12));
  put(RootKey::CurrentUser, kBase, u"Bytes", {sys::valuetype::kBinary, {1, 0, 0, 0}});
  bool found = false;
  try {
    readRegInteger(u"HKCU", kBase, u"Text", found);
    ADD_FAILURE() << "a REG_SZ read as a number must raise";
  } catch (const Error& e) {
    EXPECT_NE(e.text().find(u"Text"), Text::npos);
  }
  EXPECT_THROW(readRegInteger(u"HKCU", kBase, u"Bytes", found), Error);
  EXPECT_THROW(readRegString(u"HKCU", kBase, u"Number"), Error);
}

TEST_F(RegistryAccess, StringsAreReadUnexpandedUpToTheirFirstNul) {
  put(RootKey::CurrentUser, kBase, u"Expand", sys::stringValue(u"%SystemRoot%\\x", sys::valuetype::kExpandSz));
  put(RootKey::CurrentUser, kBase, u"Empty", sys::stringValue(u""));
  sys::RegValue embedded = sys::stringValue(Text(u"AB\0CD", 5));
  put(RootKey::CurrentUser, kBase, u"Embedded", embedded);
  EXPECT_EQ(readRegString(u"HKCU", kBase, u"Expand"), u"%SystemRoot%\\x");
  EXPECT_EQ(readRegString(u"HKCU", kBase, u"Empty"), u"");
  EXPECT_EQ(readRegString(u"HKCU", kBase, u"Embedded"), u"AB");
  EXPECT_EQ(readRegString(u"HKCU", kBase, u"Missing"), u"");
}

TEST_F(RegistryAccess, WritingCreatesMissingParentsAndVerifies) {
  const Text deep = kBase + u"\\Data\\1ZZ2XX3YY44";
  EXPECT_TRUE(writeRegInteger(u"HKCU", deep, u"ChargeStartPercentage", 40) == WriteResult::Written);
  auto stored = get(RootKey::CurrentUser, deep, u"ChargeStartPercentage");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->type, sys::valuetype::kDword);
  EXPECT_EQ(stored->data, sys::dwordValue(40).data);
  EXPECT_TRUE(writeRegInteger(u"HKCU", deep, u"Big", 2147483647) == WriteResult::Written);
}

TEST_F(RegistryAccess, NegativeNumberRaisesAfterTheKeyWasMadeAndWritesNothing) {
  EXPECT_THROW(writeRegInteger(u"HKCU", kBase + u"\\Neg", u"V", -1), Error);
  EXPECT_TRUE(exists(RootKey::CurrentUser, kBase + u"\\Neg"));
  EXPECT_FALSE(get(RootKey::CurrentUser, kBase + u"\\Neg", u"V").has_value());
}

TEST_F(RegistryAccess, ReadOnlyKeyRefusesWritesQuietlyAndStillReads) {
  put(RootKey::LocalMachine, kBase + u"\\Locked", u"V", sys::dwordValue(5));
  test::registryTestBackend().makeReadOnly(RootKey::LocalMachine, kBase + u"\\Locked");
  WriteResult result = WriteResult::Written;
  EXPECT_NO_THROW(result = writeRegInteger(u"HKLM", kBase + u"\\Locked", u"V", 6));
  EXPECT_EQ(result, WriteResult::Refused);
  EXPECT_NO_THROW(result = writeRegInteger(u"HKLM", kBase + u"\\Locked\\Child", u"V", 6));
  EXPECT_EQ(result, WriteResult::Refused) << "a new subkey of a read-only key";
  bool found = false;
  EXPECT_EQ(readRegInteger(u"HKLM", kBase + u"\\Locked", u"V", found), 5);
  EXPECT_TRUE(found);
  EXPECT_TRUE(regKeyExists(u"HKLM", kBase + u"\\Locked"));
  test::registryTestBackend().restoreAccess(RootKey::LocalMachine, kBase + u"\\Locked");
}

TEST_F(RegistryAccess, AKeyThatGrantsLessThanReadingIsStillReadWithFewerRights) {
  put(RootKey::LocalMachine, kBase + u"\\Narrow", u"V", sys::dwordValue(5));
  put(RootKey::LocalMachine, kBase + u"\\Narrow", u"S", sys::stringValue(u"1ZZ1111AAAA"));
  test::registryTestBackend().restrictTo(RootKey::LocalMachine, kBase + u"\\Narrow", sys::access::kQueryValue);
  bool found = false;
  EXPECT_EQ(readRegInteger(u"HKLM", kBase + u"\\Narrow", u"V", found), 5);
  EXPECT_TRUE(found);
  EXPECT_EQ(readRegString(u"HKLM", kBase + u"\\Narrow", u"S"), u"1ZZ1111AAAA");
  EXPECT_EQ(writeRegInteger(u"HKLM", kBase + u"\\Narrow", u"V", 6), WriteResult::Refused);
  test::registryTestBackend().restoreAccess(RootKey::LocalMachine, kBase + u"\\Narrow");
}

TEST_F(RegistryAccess, WriteIsFalseWhenTheValueReadsBackDifferently) {
  if (!test::registryTestBackend().alterReadsOf(u"Checked", 99)) {
    GTEST_SKIP() << "this registry cannot change what it reads back";
  }
  EXPECT_EQ(writeRegInteger(u"HKCU", kBase, u"Checked", 40), WriteResult::Mismatch);
  EXPECT_EQ(writeRegInteger(u"HKCU", kBase, u"Other", 40), WriteResult::Written);
}

TEST_F(RegistryAccess, DeleteRemovesKeyWithSubkeysAndIsFalseForMissingKey) {
  put(RootKey::CurrentUser, kBase + u"\\Bat\\A\\Deep", u"V", sys::dwordValue(1));
  put(RootKey::CurrentUser, kBase + u"\\Bat\\B", u"V", sys::dwordValue(1));
  put(RootKey::CurrentUser, kBase + u"\\Bat", u"V", sys::dwordValue(1));
  put(RootKey::CurrentUser, kBase + u"\\Keep", u"V", sys::dwordValue(1));
  EXPECT_EQ(deleteRegKey(u"hkcu", u"/SOFTWARE/KestraneTests/Bat/"), DeleteResult::Deleted);
  EXPECT_FALSE(exists(RootKey::CurrentUser, kBase + u"\\Bat"));
  EXPECT_TRUE(exists(RootKey::CurrentUser, kBase + u"\\Keep"));
  EXPECT_EQ(deleteRegKey(u"HKCU", kBase + u"\\Bat"), DeleteResult::Missing);
}

// A key watched once a second is kept open: it must still tell when the
// key is deleted under it, and when it is made again.
TEST_F(RegistryAccess, AWatchedKeyIsSeenToGoAndToComeBack) {
  KeyWatch watch(u"HKCU", kBase + u"\\Watched");
  EXPECT_FALSE(watch.exists());
  put(RootKey::CurrentUser, kBase + u"\\Watched", u"V", sys::dwordValue(1));
  EXPECT_TRUE(watch.exists());
  EXPECT_TRUE(watch.exists());
  ASSERT_EQ(deleteRegKey(u"HKCU", kBase + u"\\Watched"), DeleteResult::Deleted);
  EXPECT_FALSE(watch.exists());
  put(RootKey::CurrentUser, kBase + u"\\Watched", u"V", sys::dwordValue(1));
  EXPECT_TRUE(watch.exists());
}

// What a failed call's message tells the user after its key: one line of
// words, its own for each status, not the bare number.
TEST_F(RegistryAccess, EachStatusIsDescribedInOneLineOfItsOwnWords) {
  auto& registry = sys::registry();
  const Text denied = registry.describe(sys::kAccessDenied), missing = registry.describe(sys::kFileNotFound);
  EXPECT_NE(denied, missing);
  for (const Text& words : {denied, missing}) {
    EXPECT_FALSE(words.empty());
    EXPECT_EQ(words.find_first_of(u"\r\n"), Text::npos) << toUtf8(words);
    EXPECT_NE(words.back(), u' ') << toUtf8(words);
  }
  EXPECT_NE(denied, u"Error 5.") << "Windows' message, not the number alone";
}

TEST_F(RegistryAccess, ListsImmediateSubkeysOnly) {
  put(RootKey::CurrentUser, kBase + u"\\L\\One\\Inner", u"V", sys::dwordValue(1));
  put(RootKey::CurrentUser, kBase + u"\\L\\Two", u"V", sys::dwordValue(1));
  auto names = listRegSubKeys(u"HKCU", kBase + u"\\L");
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], u"One");
  EXPECT_EQ(names[1], u"Two");
  EXPECT_TRUE(listRegSubKeys(u"HKCU", kBase + u"\\Missing").empty());
  EXPECT_TRUE(regKeyExists(u"HKCU", kBase + u"\\L"));
  EXPECT_FALSE(regKeyExists(u"HKCU", kBase + u"\\Missing"));
}

}  // namespace
}  // namespace kst
