#include "system/win32/win32_services.h"

#include <windows.h>

#include <objbase.h>
#include <sddl.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <memory>
#include <optional>

#include "system/win32/com_apartment.h"
#include "system/win32/handles.h"
#include "system/win32/system_library.h"
#include "system/win32/wide.h"
#include "system/win32/windows_error.h"

namespace kst::sys::win32 {
namespace {

HKEY rootHandle(RootKey root) {
  switch (root) {
    case RootKey::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RootKey::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RootKey::Users: return HKEY_USERS;
    case RootKey::CurrentConfig: return HKEY_CURRENT_CONFIG;
    case RootKey::CurrentUser: break;
  }
  return HKEY_CURRENT_USER;
}

// Whether the deepest existing parent of a missing key lets us add subkeys;
// view is the registry view the key is created in.
Status rightToCreateBelow(RootKey root, Text path, uint32_t view) {
  for (;;) {
    size_t separator = path.find_last_of(u'\\');
    if (separator == Text::npos) return ERROR_SUCCESS;
    path.resize(separator);
    HKEY parent = nullptr;
    Status status = RegOpenKeyExW(rootHandle(root), wide(path), 0, KEY_CREATE_SUB_KEY | view, &parent);
    if (status == ERROR_SUCCESS) RegCloseKey(parent);
    if (status != ERROR_FILE_NOT_FOUND) return status;
  }
}

HKEY keyOf(KeyHandle key) { return reinterpret_cast<HKEY>(key); }

// version.dll is no Known DLL: loaded from System32 when the info box first
// asks for the program's version.
const SystemLibrary& versionLibrary() {
  static const SystemLibrary library(L"version.dll");
  return library;
}

// One piece of the process token's information, or nothing.
std::vector<BYTE> processTokenInformation(TOKEN_INFORMATION_CLASS kind) {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
  const UniqueKernelObject token(opened);
  DWORD size = 0;
  GetTokenInformation(token.get(), kind, nullptr, 0, &size);
  std::vector<BYTE> information(size);
  if (size == 0 || !GetTokenInformation(token.get(), kind, information.data(), size, &size)) information.clear();
  return information;
}

Text sidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return {};
  const UniqueLocalText owned(text);
  return fromWide(owned.get(), wcslen(owned.get()));
}

// wtsapi32.dll is no Known DLL: loaded from System32 when the command
// line first asks who is signed in.
const SystemLibrary& terminalServices() {
  static const SystemLibrary library(L"wtsapi32.dll");
  return library;
}

// A piece of information about the desktop session this process runs in,
// or nothing.
Text sessionInformation(WTS_INFO_CLASS kind) {
  auto* query = terminalServices().function<decltype(::WTSQuerySessionInformationW)>("WTSQuerySessionInformationW");
  auto* free = terminalServices().function<decltype(::WTSFreeMemory)>("WTSFreeMemory");
  wchar_t* text = nullptr;
  DWORD bytes = 0;
  if (query == nullptr || free == nullptr ||
      !query(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, kind, &text, &bytes) || text == nullptr) {
    return {};
  }
  const std::unique_ptr<wchar_t, decltype(free)> owned(text, free);
  return fromWide(owned.get(), wcslen(owned.get()));
}

// Where Windows' foreground rules refuse the window, the process takes
// them on: a window of its own on top of all others, and the last input.
void pullIntoForeground(HWND target) {
  // Without its helper the window is pulled forward all the same, as far
  // as Windows allows.
  const UniqueWindow helper(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1,
                                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  // Shown by its position, not by ShowWindow: Windows hands the start-up
  // show command of a shortcut to the first ShowWindow of the process, and
  // it belongs to the main window.
  if (helper) SetWindowPos(helper.get(), HWND_TOPMOST, 0, 0, 1, 1, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  // Windows lets the process that produced the last input take the
  // foreground. A mouse move by zero pixels is such input and, unlike a
  // synthesised click, presses nothing wherever the cursor stands.
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof input);
  SetForegroundWindow(target);
}

}  // namespace

Status Win32Registry::openKey(RootKey root, const Text& path, uint32_t access, KeyHandle& key) {
  HKEY opened = nullptr;
  Status status = RegOpenKeyExW(rootHandle(root), wide(path), 0, access, &opened);
  key = status == ERROR_SUCCESS ? reinterpret_cast<KeyHandle>(opened) : 0;
  return status;
}

Status Win32Registry::createKey(RootKey root, const Text& path, uint32_t access, KeyHandle& key) {
  // Wine's RegCreateKeyExW checks no rights, neither on a key that is
  // already there nor on the parent that gets a new subkey; Windows checks
  // both. Asking first makes a refused write look the same on both.
  Status status = openKey(root, path, access, key);
  if (status != ERROR_FILE_NOT_FOUND) return status;
  if (rightToCreateBelow(root, path, access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY)) == ERROR_ACCESS_DENIED) {
    return ERROR_ACCESS_DENIED;
  }
  HKEY created = nullptr;
  status = RegCreateKeyExW(rootHandle(root), wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &created,
                           nullptr);
  key = status == ERROR_SUCCESS ? reinterpret_cast<KeyHandle>(created) : 0;
  return status;
}

Status Win32Registry::queryValue(KeyHandle key, const Text& name, RegValue& value) {
  DWORD type = 0, size = 0;
  Status status = RegQueryValueExW(keyOf(key), wide(name), nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) return status;
  value.type = type;
  value.data.assign(size, 0);
  status = RegQueryValueExW(keyOf(key), wide(name), nullptr, &type, value.data.data(), &size);
  value.data.resize(size);
  return status;
}

Status Win32Registry::setValue(KeyHandle key, const Text& name, const RegValue& value) {
  return RegSetValueExW(keyOf(key), wide(name), 0, value.type, value.data.data(),
                        static_cast<DWORD>(value.data.size()));
}

Status Win32Registry::enumSubKey(KeyHandle key, uint32_t index, Text& name) {
  wchar_t buffer[kLongestKeyName + 1];
  DWORD length = kLongestKeyName + 1;
  Status status = RegEnumKeyExW(keyOf(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name = fromWide(buffer, length);
  return status;
}

Status Win32Registry::deleteKey(RootKey root, const Text& path, uint32_t access) {
  return RegDeleteKeyExW(rootHandle(root), wide(path), access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY), 0);
}

Status Win32Registry::flushKey(KeyHandle key) { return RegFlushKey(keyOf(key)); }

Status Win32Registry::queryLastWriteTime(KeyHandle key, uint64_t& fileTime) {
  FILETIME written{};
  Status status = RegQueryInfoKeyW(keyOf(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, &written);
  fileTime = uint64_t{written.dwHighDateTime} << 32 | written.dwLowDateTime;
  return status;
}

void Win32Registry::closeKey(KeyHandle key) { RegCloseKey(keyOf(key)); }

Text Win32Registry::describe(Status status) { return windowsMessage(static_cast<DWORD>(status)); }

bool Win32Registry::separate32BitView() {
#ifdef _WIN64
  return true;
#else
  // A 32-bit program on 64-bit Windows runs under WOW64.
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

bool Win32Power::getSystemPowerStatus(PowerStatusRecord& record) {
  SYSTEM_POWER_STATUS status{};
  if (!GetSystemPowerStatus(&status)) return false;
  record = {status.ACLineStatus, status.BatteryFlag, status.BatteryLifePercent, status.BatteryLifeTime};
  return true;
}

Win32Shell::Win32Shell() = default;
Win32Shell::~Win32Shell() = default;

intptr_t Win32Shell::execute(NativeWindow owner, const Text& verb, const Text& file, const Text& parameters,
                             const Text& directory, int showCommand) {
  // ShellExecuteW may hand an address to its handler, and the "runas" verb
  // to the elevation service, through COM, and Microsoft asks every caller
  // to start COM on its thread first.
  if (!com_) com_ = std::make_unique<ComApartment>();
  return reinterpret_cast<intptr_t>(ShellExecuteW(reinterpret_cast<HWND>(owner), wideOrNull(verb), wide(file),
                                                  wideOrNull(parameters), wideOrNull(directory), showCommand));
}

ElevatedStart Win32Shell::startElevated(NativeWindow owner, const Text& file, const Text& parameters) {
  if (!com_) com_ = std::make_unique<ComApartment>();
  SHELLEXECUTEINFOW start{};
  start.cbSize = sizeof start;
  // The shell shows no message of its own: the program tells the user. The
  // call returns once the elevation prompt is answered and the copy started.
  start.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  start.hwnd = reinterpret_cast<HWND>(owner);
  start.lpVerb = L"runas";
  start.lpFile = wide(file);
  start.lpParameters = wideOrNull(parameters);
  start.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&start)) return {ElevatedStart::Result::Started, {}};
  const DWORD error = GetLastError();
  if (error == ERROR_CANCELLED) return {ElevatedStart::Result::Declined, {}};
  return {ElevatedStart::Result::Failed, windowsMessage(error)};
}

Text Win32Shell::commandLine() {
  const wchar_t* line = GetCommandLineW();
  return fromWide(line, wcslen(line));
}

Text Win32Shell::executablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return fromWide(path.data(), length);
    path.resize(path.size() * 2);
  }
}

Text Win32Account::userSid() {
  std::vector<BYTE> user = processTokenInformation(TokenUser);
  return user.empty() ? Text() : sidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

TokenKind Win32Account::tokenKind() {
  std::vector<BYTE> elevation = processTokenInformation(TokenElevation);
  if (elevation.size() >= sizeof(TOKEN_ELEVATION) &&
      reinterpret_cast<TOKEN_ELEVATION*>(elevation.data())->TokenIsElevated != 0) {
    return TokenKind::Elevated;
  }
  // UAC splits an administrator's token in two and starts programs with
  // the limited half, which the consent prompt elevates. Without UAC a
  // token is never split: an administrator's is the full one, with the
  // Administrators group enabled.
  std::vector<BYTE> type = processTokenInformation(TokenElevationType);
  if (type.size() < sizeof(TOKEN_ELEVATION_TYPE)) return TokenKind::Standard;
  switch (*reinterpret_cast<TOKEN_ELEVATION_TYPE*>(type.data())) {
    case TokenElevationTypeLimited: return TokenKind::AdministratorLimited;
    case TokenElevationTypeFull: return TokenKind::Elevated;
    case TokenElevationTypeDefault: break;
  }
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof administrators;
  BOOL member = FALSE;
  const bool administrator = CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) &&
                             CheckTokenMembership(nullptr, administrators, &member) && member;
  return administrator ? TokenKind::Elevated : TokenKind::Standard;
}

ElevationPolicy Win32Account::elevationPolicy() {
  // The policies live in the 64-bit view on 64-bit Windows, where a 32-bit
  // program asks for it; 32-bit Windows ignores the flag.
  HKEY opened = nullptr;
  ElevationPolicy policy;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0,
                    KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS) {
    return policy;
  }
  const UniqueRegistryKey key(opened);
  const auto dword = [&](const wchar_t* name) -> std::optional<DWORD> {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
      return std::nullopt;
    }
    return value;
  };
  policy.userAccountControl = dword(L"EnableLUA").value_or(1) != 0;
  policy.standardUsersMayAsk = dword(L"ConsentPromptBehaviorUser").value_or(3) != 0;
  return policy;
}

bool Win32Account::runsAsLocalSystem() {
  std::vector<BYTE> user = processTokenInformation(TokenUser);
  BYTE localSystem[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof localSystem;
  return !user.empty() && CreateWellKnownSid(WinLocalSystemSid, nullptr, localSystem, &sidSize) &&
         EqualSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, localSystem);
}

Text Win32Account::desktopUserSid() {
  const Text user = sessionInformation(WTSUserName);
  if (user.empty()) return {};
  const Text domain = sessionInformation(WTSDomainName);
  return sidOfAccount(domain.empty() ? user : domain + u"\\" + user);
}

Text Win32Account::accountName(const Text& sid) {
  PSID converted = nullptr;
  if (!ConvertStringSidToSidW(wide(sid), &converted)) return {};
  const UniqueLocalSid binary(converted);
  // A first call says how much room the name and the domain's name need,
  // each with its terminating null; a domain account's names may be longer
  // than a local one's.
  DWORD nameLength = 0, domainLength = 0;
  SID_NAME_USE use{};
  LookupAccountSidW(nullptr, binary.get(), nullptr, &nameLength, nullptr, &domainLength, &use);
  if (nameLength == 0) return {};
  std::wstring name(nameLength, L'\0'), domain(domainLength, L'\0');
  wchar_t* domainBuffer = domainLength == 0 ? nullptr : domain.data();
  if (!LookupAccountSidW(nullptr, binary.get(), name.data(), &nameLength, domainBuffer, &domainLength, &use)) {
    return {};
  }
  // Both are null-terminated; what the lengths hold after a success is not documented.
  const Text account = fromWide(name.c_str(), wcslen(name.c_str()));
  const size_t domainEnd = wcslen(domain.c_str());
  return domainEnd == 0 ? account : fromWide(domain.c_str(), domainEnd) + u"\\" + account;
}

Text Win32Account::sidOfAccount(const Text& name) {
  // A first call says how much room the SID and the domain's name need.
  DWORD sidSize = 0, domainLength = 0;
  SID_NAME_USE use{};
  LookupAccountNameW(nullptr, wide(name), nullptr, &sidSize, nullptr, &domainLength, &use);
  if (sidSize == 0) return {};
  std::vector<BYTE> sid(sidSize);
  std::wstring domain(domainLength, L'\0');
  if (!LookupAccountNameW(nullptr, wide(name), sid.data(), &sidSize, domain.data(), &domainLength, &use) ||
      use != SidTypeUser) {
    return {};
  }
  return sidText(sid.data());
}

bool Win32Desktop::topLevelWindowOfClassExists(const Text& windowClass) {
  return FindWindowW(wide(windowClass), nullptr) != nullptr;
}

void Win32Desktop::forceForeground(NativeWindow window) {
  auto target = reinterpret_cast<HWND>(window);
  // A program that Explorer or a shortcut started, or one that the user's
  // last click reached, may take the foreground as it is. Windows refuses
  // the others and flashes their task-bar button instead; only they are
  // pulled forward.
  if (!SetForegroundWindow(target) || GetForegroundWindow() != target) pullIntoForeground(target);
  // Windows put the window on top with the foreground. Wine asks the X
  // window manager to raise a window only when it comes to the top of its
  // own list, which a helper window standing above it prevented, and would
  // leave it behind the window that covered it.
  SetWindowPos(target, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

uint32_t Win32Version::fileVersionInfoSize(const Text& path) {
  auto* size = versionLibrary().function<decltype(::GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
  DWORD unused = 0;
  return size != nullptr ? size(wide(path), &unused) : 0;
}

bool Win32Version::fileVersionInfo(const Text& path, std::vector<uint8_t>& buffer) {
  auto* read = versionLibrary().function<decltype(::GetFileVersionInfoW)>("GetFileVersionInfoW");
  return read != nullptr && read(wide(path), 0, static_cast<DWORD>(buffer.size()), buffer.data()) != FALSE;
}

std::optional<std::vector<uint8_t>> Win32Version::queryValue(const std::vector<uint8_t>& buffer, const Text& subBlock) {
  auto* query = versionLibrary().function<decltype(::VerQueryValueW)>("VerQueryValueW");
  void* value = nullptr;
  UINT length = 0;
  if (query == nullptr || !query(buffer.data(), wide(subBlock), &value, &length) || value == nullptr) {
    return std::nullopt;
  }
  // String values report their length in characters, everything else in bytes.
  size_t bytes = subBlock.starts_with(u"\\StringFileInfo") ? length * sizeof(wchar_t) : length;
  auto* first = static_cast<const uint8_t*>(value);
  return std::vector<uint8_t>(first, first + bytes);
}

uint64_t Win32Clock::now() {
  FILETIME time{};
  GetSystemTimeAsFileTime(&time);
  return uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime;
}

uint64_t Win32Clock::millisecondsSinceStart() { return GetTickCount64(); }

bool Win32Files::writeFile(const Text& path, const std::vector<uint8_t>& bytes) {
  HANDLE file = CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool done =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  return CloseHandle(file) && done;
}

std::optional<std::vector<uint8_t>> Win32Files::readFile(const Text& path) {
  const UniqueFile file(
      CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  DWORD got = 0;
  bool done = true;
  while ((done = ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) != FALSE) && got > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  if (!done) return std::nullopt;
  return bytes;
}

Win32System::Win32System() {
  installServices({&registry, &power, &shell, &desktop, &version, &batteryDevices, &files, &account, &clock});
}
Win32System::~Win32System() { installServices({}); }

}  // namespace kst::sys::win32
