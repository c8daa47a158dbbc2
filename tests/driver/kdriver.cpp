// Drives the real kestrane.exe as a user would: a scenario of one step per
// line on standard input. It finds windows by class, controls as Windows
// tools do, by the identifier each has in its window (a scenario names
// them, resources/control_ids.h numbers them), and message boxes by their
// dialog class; it reads colours from the screen.
//
//   start [arguments...]              start the program beside this driver,
//                                     the arguments passed on as written
//   rights limited|full               the rights of the next starts of the
//                                     program and the command line: limited
//                                     as Windows gives them under UAC (or a
//                                     standard user), failing where the
//                                     token still says elevated, or the
//                                     driver's own (Wine's full token)
//   rename FILE NEWNAME               rename a file beside the driver
//   attach                            act on the kestrane.exe that runs
//                                     already, and leave it running
//   show minimized|maximized          the show command the next start asks
//                                     for, as a shortcut would
//   window CLASS                      wait for that window of the program
//   caption CLASS "text"              expect the window's caption
//   text CLASS NAME "text"            expect a control's text
//   visible CLASS NAME yes|no         expect a control's visibility
//   enabled CLASS NAME yes|no         expect a control's enabled state
//   color CLASS NAME RRGGBB           expect a control's text drawn in that
//                                     colour on the screen
//   fits CLASS NAME                   expect a control as wide as its text
//                                     in Tahoma, 8 points
//   whole CLASS                       expect no control of the window to
//                                     reach into another (a spin edit's
//                                     arrows aside), no one-line text cut,
//                                     and the window on the screen
//   state CLASS normal|minimized|maximized   expect the window's state
//   frame CLASS single                expect a fixed single border
//   click CLASS NAME                  click a button, label or radio button
//   settext CLASS NAME "text"         type text into an edit field
//   key CLASS escape|return|tab|alt+L press a key in that window
//   message "text"                    expect a message box with this text
//   messagestarts "text"              expect one whose text starts so
//   answer OK|Yes|No|Cancel           press that button of the message box
//   close CLASS                       ask the window to close (title bar)
//   type CLASS NAME "text"            type the text key by key into a control
//   focus CLASS NAME                  give a control the keyboard focus
//   tray left|right|middle|double     press a mouse button on the tray icon
//                                     (double: the left one twice)
// The steps about the tray icon, the panel and covering windows need the
// desktop: a scenario with the line "# desktop".
//   minimize CLASS                    minimise the window as its title bar would
//   trayhint "text"                   expect the hint the panel shows while
//                                     the pointer rests on the icon
//   hint CLASS NAME "text"            expect the hint a control shows while
//                                     the pointer rests on it
//   traypicture FILE.bmp [same]       save the icon as the panel shows it,
//                                     or expect it to look as saved
//   panel restart                     end the desktop's panel and start it
//                                     again, as when the shell restarts
//   desktop FILE.bmp                  save the whole screen, with the caret
//                                     off
//   cover CLASS                       open a window of another program over
//                                     the window and make it the active one
//   front CLASS                       expect the window in the foreground
//                                     and, if a cover is open, in front of
//                                     it on the screen; the cover then goes
//   atpointer CLASS                   expect the window at the mouse pointer
//   menu LETTER                       choose the item of the open pop-up menu
//   screenshot CLASS FILE.bmp         save the window as the user sees it
//   exits                             expect the program to end
//   restarted "arguments"             expect the program to end and exactly
//                                     one new instance to run with these
//                                     arguments ($SID: the account's SID);
//                                     later steps act on it
//   running                           expect the program to run still
//   alone                             expect it to run still, and no other
//                                     kestrane.exe to have started beside it
//   sleep MILLISECONDS
//   cli EXIT [arguments...]           run kestrane-cli beside this driver with
//                                     the arguments as written ($HERE: the
//                                     driver's folder) and expect its exit
//                                     code; it reads nothing
//   output "text"                     expect the last cli's standard output
//                                     (and error) to hold the text
//   seed FILE.reg                     import a regedit export into the registry
//   readonly ROOT\PATH                let everyone only read the key and its subkeys
//   writable ROOT\PATH                let everyone do anything with them again
//   value ROOT\PATH NAME NUMBER|missing   expect a DWORD value
//   haskey ROOT\PATH / nokey ROOT\PATH  expect a key to exist or not
//   battery none | charging P | ac P | discharging P SECONDS
//                                     the battery that Wine reports, through
//                                     the power-supply folder of this namespace;
//                                     on Windows "none" expects no battery
// Texts use \r, \n, \t, \" and \\ escapes. The driver stops at the first
// step that fails, names it, saves the screen as failure.bmp beside itself
// and exits with 1.
#include <windows.h>

#include <sddl.h>
#include <tlhelp32.h>
#include <commctrl.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "resources/control_ids.h"
#include "system/win32/handles.h"

namespace {

using kst::sys::win32::UniqueKernelObject;
using kst::sys::win32::UniqueLocalText;
using UniqueLocalDescriptor = kst::sys::win32::Unique<kst::sys::win32::LocalMemoryTraits<PSECURITY_DESCRIPTOR>>;

PROCESS_INFORMATION program{};
// A program the driver found running rather than started is left running.
bool attached = false;
WORD startShowCommand = SW_SHOWDEFAULT;
int lineNumber = 0;
std::string currentLine;

std::wstring besideDriver(const std::wstring& name) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder(self);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1) + name;
}

// A part of the screen as the bytes of a 24-bit bottom-up BMP file.
std::vector<char> screenImage(const RECT& area) {
  int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return {};
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::vector<char> pixels(stride * static_cast<DWORD>(height));
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::vector<char> image(reinterpret_cast<const char*>(&file), reinterpret_cast<const char*>(&file) + sizeof file);
  image.insert(image.end(), reinterpret_cast<const char*>(&info), reinterpret_cast<const char*>(&info) + sizeof info);
  image.insert(image.end(), pixels.begin(), pixels.end());
  return image;
}

bool saveImage(const std::vector<char>& image, const std::wstring& path) {
  if (image.empty()) return false;
  std::ofstream out(path.c_str(), std::ios::binary);
  out.write(image.data(), static_cast<std::streamsize>(image.size()));
  return out.good();
}

bool saveScreen(const RECT& area, const std::wstring& path) { return saveImage(screenImage(area), path); }

std::vector<char> readFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string narrow(const std::wstring& text);

// The window that has the keyboard and the mouse's clicks: a step that
// failed may have sent them elsewhere.
std::string foregroundWindow() {
  HWND front = GetForegroundWindow();
  if (front == nullptr) return "none";
  wchar_t name[128] = {}, title[256] = {};
  GetClassNameW(front, name, 128);
  GetWindowTextW(front, title, 256);
  DWORD process = 0;
  GetWindowThreadProcessId(front, &process);
  return narrow(name) + " \"" + narrow(title) + "\" of process " + std::to_string(process);
}

[[noreturn]] void fail(const std::string& what) {
  std::printf("FAIL line %d: %s\n  step: %s\n  foreground: %s\n", lineNumber, what.c_str(), currentLine.c_str(),
              foregroundWindow().c_str());
  std::fflush(stdout);
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  saveScreen(desktop, besideDriver(L"failure.bmp"));
  if (program.hProcess != nullptr && !attached) TerminateProcess(program.hProcess, 1);
  std::exit(1);
}

std::wstring widen(const std::string& text) {
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string narrow(const std::wstring& text) {
  int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return "\"" + out + "\"";
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
          char next = line[++i];
          word += next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : next;
        } else {
          word += line[i];
        }
      }
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ') word += line[i++];
    }
    words.push_back(word);
  }
  return words;
}

std::wstring textOf(HWND window) {
  wchar_t buffer[4096];
  LRESULT length = SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
  return std::wstring(buffer, static_cast<size_t>(length));
}

std::wstring classOf(HWND window) {
  wchar_t buffer[256];
  int length = GetClassNameW(window, buffer, 256);
  return std::wstring(buffer, static_cast<size_t>(length));
}

struct Search {
  std::wstring className;
  HWND found = nullptr;
  bool visibleOnly = true;
};

BOOL CALLBACK findTopLevel(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == program.dwProcessId && (!search->visibleOnly || IsWindowVisible(window)) &&
      classOf(window) == search->className) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND topLevel(const std::string& className, int timeoutMs = 10000) {
  for (int waited = 0; waited <= timeoutMs; waited += 100) {
    Search search{widen(className)};
    EnumWindows(findTopLevel, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(100);
  }
  fail("no visible window of class " + className);
}

// The chooser's choices are "rbBattery0", "rbBattery1" and so on.
int controlIdOf(const std::string& className, const std::string& name) {
  const std::string choice = "rbBattery";
  if (className == "TchooseBattery" && name.rfind(choice, 0) == 0 && name.size() > choice.size()) {
    return kst::ids::kFirstBatteryChoice + std::stoi(name.substr(choice.size()));
  }
  return kst::ids::controlId(className, name);
}

HWND control(const std::string& className, const std::string& name) {
  int id = controlIdOf(className, name);
  if (id == 0) fail(className + " has no control " + name);
  HWND found = GetDlgItem(topLevel(className), id);
  if (found == nullptr) fail("no control " + name + " (" + std::to_string(id) + ") in " + className);
  return found;
}

HWND messageBox(int timeoutMs = 10000) { return topLevel("#32770", timeoutMs); }

// The rights the program and the command line get: limited plays a user
// without administrator rights, as Windows starts every program under UAC.
bool limitedRights = false;

UniqueKernelObject ownToken() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token)) fail("cannot open the driver's token");
  return UniqueKernelObject(token);
}

// One class of a token's information as Windows writes it, or nothing.
std::vector<BYTE> tokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
  DWORD size = 0;
  GetTokenInformation(token, kind, nullptr, 0, &size);
  std::vector<BYTE> information(size);
  if (size == 0 || !GetTokenInformation(token, kind, information.data(), size, &size)) information.clear();
  return information;
}

template <typename Information>
std::optional<Information> tokenValue(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
  const std::vector<BYTE> information = tokenInformation(token, kind);
  if (information.size() < sizeof(Information)) return std::nullopt;
  return *reinterpret_cast<const Information*>(information.data());
}

std::string sidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return {};
  const UniqueLocalText owned(text);
  return narrow(owned.get());
}

// The driver's own account, which every program it starts runs under.
std::string ownSid() {
  const std::vector<BYTE> user = tokenInformation(ownToken().get(), TokenUser);
  return user.empty() ? std::string() : sidText(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
}

// Under UAC an elevated token has a limited one linked to it, which Wine
// hands out as a token a process can start with. Windows hands it so only
// to a caller with SeTcbPrivilege; to everyone else it is a token for
// identifying the user, which DuplicateTokenEx cannot make primary: then,
// as where nothing is linked, there is no such token.
UniqueKernelObject linkedLimitedToken(HANDLE own) {
  if (tokenValue<TOKEN_ELEVATION_TYPE>(own, TokenElevationType) != TokenElevationTypeFull) return {};
  const std::optional<TOKEN_LINKED_TOKEN> linked = tokenValue<TOKEN_LINKED_TOKEN>(own, TokenLinkedToken);
  if (!linked) return {};
  const UniqueKernelObject identifying(linked->LinkedToken);
  HANDLE primary = nullptr;
  DuplicateTokenEx(identifying.get(), MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary, &primary);
  return UniqueKernelObject(primary);
}

// What UAC leaves an administrator's limited token, a standard user's own.
const wchar_t* const kStandardUserPrivileges[] = {SE_CHANGE_NOTIFY_NAME, SE_SHUTDOWN_NAME, SE_UNDOCK_NAME,
                                                  SE_INC_WORKING_SET_NAME, SE_TIME_ZONE_NAME};

bool standardUserPrivilege(const LUID& privilege) {
  return std::any_of(std::begin(kStandardUserPrivileges), std::end(kStandardUserPrivileges), [&](const wchar_t* name) {
    LUID standard{};
    return LookupPrivilegeValueW(nullptr, name, &standard) && standard.LowPart == privilege.LowPart &&
           standard.HighPart == privilege.HighPart;
  });
}

// Every privilege of the token that a standard user does not hold.
std::vector<LUID_AND_ATTRIBUTES> privilegesBeyondAStandardUser(HANDLE token) {
  const std::vector<BYTE> held = tokenInformation(token, TokenPrivileges);
  std::vector<LUID_AND_ATTRIBUTES> beyond;
  if (held.empty()) return beyond;
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(held.data());
  const LUID_AND_ATTRIBUTES* first = privileges->Privileges;
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    if (!standardUserPrivilege(first[i].Luid)) beyond.push_back({first[i].Luid, 0});
  }
  return beyond;
}

void setTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* information, DWORD size,
                         const std::string& what) {
  if (!SetTokenInformation(token, kind, information, size)) {
    fail("cannot set the " + what + " of a standard user's token: error " + std::to_string(GetLastError()));
  }
}

// A token made from the driver's own as Windows makes a standard user's:
// the Administrators group for denying access only, a standard user's
// privileges and medium integrity. An elevated token names the
// Administrators group as the owner of what it creates and in its default
// DACL, which this token cannot use: the user is the owner, and the
// default DACL grants the user and SYSTEM, as in a standard user's logon.
UniqueKernelObject standardUserToken(HANDLE own) {
  BYTE administrators[SECURITY_MAX_SID_SIZE], medium[SECURITY_MAX_SID_SIZE];
  DWORD administratorsSize = sizeof administrators, mediumSize = sizeof medium;
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &administratorsSize) ||
      !CreateWellKnownSid(WinMediumLabelSid, nullptr, medium, &mediumSize)) {
    fail("cannot make the SIDs of a standard user's token");
  }
  SID_AND_ATTRIBUTES denyOnly{administrators, 0};
  std::vector<LUID_AND_ATTRIBUTES> deleted = privilegesBeyondAStandardUser(own);
  HANDLE made = nullptr;
  if (!CreateRestrictedToken(own, LUA_TOKEN, 1, &denyOnly, static_cast<DWORD>(deleted.size()), deleted.data(), 0,
                             nullptr, &made)) {
    fail("cannot make a standard user's token: error " + std::to_string(GetLastError()));
  }
  UniqueKernelObject token(made);
  TOKEN_MANDATORY_LABEL label{{medium, SE_GROUP_INTEGRITY}};
  setTokenInformation(token.get(), TokenIntegrityLevel, &label, sizeof label + GetLengthSid(medium), "integrity level");
  std::vector<BYTE> user = tokenInformation(own, TokenUser);
  if (user.empty()) fail("cannot read the driver's user");
  TOKEN_OWNER owner{reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid};
  setTokenInformation(token.get(), TokenOwner, &owner, sizeof owner, "owner");
  const std::wstring grants = L"D:(A;;GA;;;" + widen(sidText(owner.Owner)) + L")(A;;GA;;;SY)";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  TOKEN_DEFAULT_DACL dacl{};
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(grants.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    fail("cannot make the default DACL of a standard user's token");
  }
  const UniqueLocalDescriptor owned(descriptor);
  if (!GetSecurityDescriptorDacl(owned.get(), &present, &dacl.DefaultDacl, &defaulted) || !present) {
    fail("cannot make the default DACL of a standard user's token");
  }
  setTokenInformation(token.get(), TokenDefaultDacl, &dacl, sizeof dacl, "default DACL");
  return token;
}

std::string elevationTypeName(HANDLE token) {
  switch (tokenValue<TOKEN_ELEVATION_TYPE>(token, TokenElevationType).value_or(TOKEN_ELEVATION_TYPE{})) {
    case TokenElevationTypeDefault: return "Default";
    case TokenElevationTypeFull: return "Full";
    case TokenElevationTypeLimited: return "Limited";
  }
  return "unknown";
}

std::string integrityLevel(HANDLE token) {
  const std::vector<BYTE> label = tokenInformation(token, TokenIntegrityLevel);
  if (label.empty()) return "unknown";
  PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(label.data())->Label.Sid;
  const DWORD level = *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u);
  const char* name = level == SECURITY_MANDATORY_MEDIUM_RID ? " (medium)"
                     : level == SECURITY_MANDATORY_HIGH_RID ? " (high)"
                                                            : "";
  return sidText(sid) + name;
}

// The token of a user without administrator rights: the one UAC links to
// the driver's where there is one that a process can start with, else one
// made as Windows makes a standard user's. The program reads TokenElevation
// and TokenElevationType, so a token that still says elevated or full would
// have it take itself for an administrator: the step fails instead. Which
// token it is and what it says goes to standard error once, into the
// scenario's log.
HANDLE limitedToken() {
  static const UniqueKernelObject limited = [] {
    const UniqueKernelObject own = ownToken();
    UniqueKernelObject token = linkedLimitedToken(own.get());
    const char* made = "the limited token linked to the driver's own";
    if (!token) {
      token = standardUserToken(own.get());
      made = "a standard user's token made from the driver's own";
    }
    const bool elevated =
        tokenValue<TOKEN_ELEVATION>(token.get(), TokenElevation).value_or(TOKEN_ELEVATION{1}).TokenIsElevated != 0;
    const std::string type = elevationTypeName(token.get());
    std::fprintf(stderr, "rights limited: %s; it reports elevation type %s, %s, integrity level %s\n", made,
                 type.c_str(), elevated ? "elevated" : "not elevated", integrityLevel(token.get()).c_str());
    std::fflush(stderr);
    if (elevated || type == "Full") {
      fail(std::string(made) + " still reports itself elevated (elevation type " + type +
           (elevated ? ", elevated" : "") + "): the program would take it for administrator rights");
    }
    return token;
  }();
  return limited.get();
}

// The text with every placeholder of a scenario, such as "$SID", replaced.
std::string withPlaceholder(std::string text, const std::string& placeholder, const std::string& value) {
  for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + value.size())) {
    text.replace(at, placeholder.size(), value);
  }
  return text;
}

// A scenario's "$SID" stands for the account's security identifier.
std::string withOwnSid(const std::string& text) { return withPlaceholder(text, "$SID", ownSid()); }

// Starts a process with the rights the scenario gives. Under load Wine now
// and then refuses a start that works a moment later; the driver tries a
// few times before it gives up.
bool startProcess(std::wstring line, BOOL inherit, DWORD flags, STARTUPINFOW& startup, PROCESS_INFORMATION& info) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (limitedRights ? CreateProcessAsUserW(limitedToken(), nullptr, line.data(), nullptr, nullptr, inherit, flags,
                                             nullptr, nullptr, &startup, &info)
                      : CreateProcessW(nullptr, line.data(), nullptr, nullptr, inherit, flags, nullptr, nullptr,
                                       &startup, &info)) {
      return true;
    }
    Sleep(300);
  }
  return false;
}

// Waits with the driver's own windows answering and painting.
void pumpMessages(int milliseconds) {
  for (int waited = 0; waited < milliseconds; waited += 20) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(20);
  }
}

// Runs a program of the machine itself, such as xdotool; Wine starts it
// outside Windows, so there is no process to wait for.
void runUnix(const std::wstring& line) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  if (!startProcess(line, FALSE, 0, startup, child)) {
    fail("cannot run " + narrow(line));
  }
  pumpMessages(700);
}

bool onDesktop() {
  wchar_t desktop[4] = {};
  return GetEnvironmentVariableW(L"KST_DESKTOP", desktop, 4) > 0 && desktop[0] == L'1';
}

// Moves the pointer onto the icon in the panel's notification area, then
// does what xdotool is told there.
void atTrayIcon(const std::wstring& then) {
  if (!onDesktop()) fail("only the desktop has a notification area: mark the scenario \"# desktop\"");
  runUnix(
      L"Z:\\usr\\bin\\xdotool search --sync --onlyvisible --name YXTrayEmbedder "
      L"mousemove --window %1 10 10 sleep 0.3 mousemove --window %1 12 12 " +
      then);
}

// The icon sits in the panel's notification area and is clicked there
// with real pointer input.
void pressTrayIcon(const std::string& button) {
  const wchar_t* clicks = button == "left"     ? L"click 1"
                          : button == "right"  ? L"click 3"
                          : button == "middle" ? L"click 2"
                          : button == "double" ? L"click --repeat 2 --delay 80 1"
                                               : nullptr;
  if (clicks == nullptr) fail("unknown tray button " + button);
  atTrayIcon(clicks);
}

// The driver's folder is on Wine's Z: drive, the machine's root folder.
std::wstring unixPath(std::wstring path) {
  if (path.rfind(L"Z:", 0) == 0) path.erase(0, 2);
  for (wchar_t& c : path) {
    if (c == L'\\') c = L'/';
  }
  return path;
}

// Runs one of the helper scripts beside the driver, which tells of its end
// by the file named as its argument, and returns what it wrote there.
std::string runScript(const wchar_t* script, const wchar_t* told, const std::string& failure) {
  std::wstring file = besideDriver(told);
  DeleteFileW(file.c_str());
  runUnix(L"Z:\\bin\\bash " + unixPath(besideDriver(script)) + L" " + unixPath(file));
  for (int waited = 0; GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 100) {
    if (waited >= 15000) fail(failure);
    pumpMessages(100);
  }
  std::vector<char> content = readFile(file);
  DeleteFileW(file.c_str());
  return std::string(content.begin(), content.end());
}

// The icon's place in the panel: the one window in which the panel docked
// it, and nothing of the panel beside it.
RECT trayIconPlace() {
  std::string place = runScript(L"tray_icon_place.sh", L"tray-place", "the panel shows no single tray icon");
  auto number = [&](const std::string& name) {
    size_t at = place.find(name + "=");
    if (at == std::string::npos) fail("the tray icon's place lacks " + name);
    return std::stoi(place.substr(at + name.size() + 1));
  };
  LONG x = number("X"), y = number("Y");
  return {x, y, x + number("WIDTH"), y + number("HEIGHT")};
}

// Ends the panel and waits until the new one has docked the icon.
void restartPanel() {
  runScript(L"restart_panel.sh", L"panel-gone", "the panel does not end");
  trayIconPlace();
}

struct HintSearch {
  std::wstring text;
  std::wstring shown;
  bool found = false;
};

// The panel's hint is a tooltip window of whichever process docks the icon.
BOOL CALLBACK findHint(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<HintSearch*>(parameter);
  if (!IsWindowVisible(window) || classOf(window) != L"tooltips_class32") return TRUE;
  search->shown = textOf(window);
  search->found = search->shown == search->text;
  return search->found ? FALSE : TRUE;
}

bool hintShown(const std::wstring& text, std::wstring& shown) {
  HintSearch search{text, {}};
  EnumWindows(findHint, reinterpret_cast<LPARAM>(&search));
  shown = search.shown;
  return search.found;
}

// The hint must first go with the pointer, so that the one found later is
// the panel's answer to the pointer coming back, not an old one.
void expectTrayHint(const std::string& text) {
  std::wstring expected = widen(text), shown;
  runUnix(L"Z:\\usr\\bin\\xdotool mousemove 0 0");
  for (int waited = 0; hintShown(expected, shown); waited += 100) {
    if (waited >= 5000) fail("the tray icon's hint stays when the pointer leaves");
    pumpMessages(100);
  }
  atTrayIcon(L"");
  for (int waited = 0; !hintShown(expected, shown); waited += 100) {
    if (waited >= 5000) fail("the tray icon's hint: expected " + escaped(text) + ", shown " + escaped(narrow(shown)));
    pumpMessages(100);
  }
}

// As a hand does: the pointer comes onto the control and moves a little there.
void expectHint(const std::vector<std::string>& w) {
  RECT place;
  GetWindowRect(control(w[1], w[2]), &place);
  const std::wstring x = std::to_wstring((place.left + place.right) / 2),
                     y = std::to_wstring((place.top + place.bottom) / 2);
  std::wstring expected = widen(w[3]), shown;
  runUnix(L"Z:\\usr\\bin\\xdotool mousemove 0 0 sleep 0.3 mousemove " + x + L" " + y +
          L" sleep 0.3 mousemove_relative 2 2");
  for (int waited = 0; !hintShown(expected, shown); waited += 100) {
    if (waited >= 5000)
      fail("the hint of " + w[2] + ": expected " + escaped(w[3]) + ", shown " + escaped(narrow(shown)));
    pumpMessages(100);
  }
}

// The picture is taken with the pointer away from it. A panel that has just
// docked the icon anew paints it a moment later, so a comparison waits for
// the picture it expects.
void trayPicture(const std::vector<std::string>& w) {
  if (w.size() > 2 && w[2] != "same") fail("traypicture FILE.bmp [same]");
  std::wstring path = besideDriver(widen(w[1]));
  runUnix(L"Z:\\usr\\bin\\xdotool mousemove 0 0");
  for (int waited = 0;; waited += 200) {
    std::vector<char> shown = screenImage(trayIconPlace());
    if (w.size() < 3) {
      if (!saveImage(shown, path)) fail("cannot save " + w[1]);
      return;
    }
    if (readFile(path) == shown) return;
    if (waited >= 10000) {
      saveImage(shown, besideDriver(L"tray-icon-shown.bmp"));
      fail("the tray icon no longer looks as in " + w[1] + "; it looks as in tray-icon-shown.bmp");
    }
    pumpMessages(200);
  }
}

// Types into whatever has the focus: the letters arrive as a user's keys.
void typeText(HWND target, const std::wstring& text) {
  for (wchar_t c : text) PostMessageW(target, WM_CHAR, c, 1);
}

std::wstring messageText(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  return text != nullptr ? textOf(text) : std::wstring();
}

void expectEqual(const std::string& what, const std::string& expected, const std::string& actual) {
  if (expected != actual) fail(what + ": expected " + escaped(expected) + ", actual " + escaped(actual));
}

template <typename Check>
void eventually(Check check, int timeoutMs = 5000) {
  for (int waited = 0;; waited += 100) {
    if (check(waited >= timeoutMs)) return;
    Sleep(100);
  }
}

void pressKey(HWND window, const std::string& key) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(program.dwThreadId, &info);
  HWND target = info.hwndFocus != nullptr ? info.hwndFocus : window;
  if (key.rfind("alt+", 0) == 0) {
    PostMessageW(target, WM_SYSCHAR, static_cast<WPARAM>(key[4]), 1 << 29);
    return;
  }
  WPARAM code = key == "escape" ? VK_ESCAPE : key == "return" ? VK_RETURN : key == "tab" ? VK_TAB : 0;
  if (code == 0) fail("unknown key " + key);
  PostMessageW(target, WM_KEYDOWN, code, 1);
  PostMessageW(target, WM_CHAR, code, 1);
  PostMessageW(target, WM_KEYUP, code, 0xC0000001);
}

// The command line of another process, read from its process parameters.
std::wstring commandLineOf(HANDLE process) {
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  if (query == nullptr || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
      !ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
      !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
    fail("cannot read the new instance's command line");
  }
  std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, line.data(), parameters.CommandLine.Length, nullptr)) {
    fail("cannot read the new instance's command line");
  }
  return line;
}

struct Instance {
  DWORD process = 0;
  DWORD thread = 0;
};

// The kestrane.exe that runs beside the one with this process identifier,
// with its first thread; nothing while none runs. More than one fails.
Instance otherInstance(DWORD except) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPTHREAD, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  Instance found;
  int instances = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, L"kestrane.exe") == 0 && entry.th32ProcessID != except) {
      found.process = entry.th32ProcessID;
      ++instances;
    }
  }
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more = Thread32First(snapshot, &thread); more && found.process != 0;
       more = Thread32Next(snapshot, &thread)) {
    if (thread.th32OwnerProcessID == found.process && found.thread == 0) found.thread = thread.th32ThreadID;
  }
  CloseHandle(snapshot);
  if (instances > 1) fail(std::to_string(instances) + " instances run beside each other, one expected");
  return found.thread != 0 ? found : Instance{};
}

// Waits for that instance, and acts on it from here on.
Instance follow(DWORD except, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 200) {
    Instance instance = otherInstance(except);
    if (instance.process != 0) {
      if (program.hProcess != nullptr) CloseHandle(program.hProcess);
      if (program.hThread != nullptr) CloseHandle(program.hThread);
      program = {};
      program.hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, instance.process);
      program.dwProcessId = instance.process;
      program.dwThreadId = instance.thread;
      return instance;
    }
    Sleep(200);
  }
  return {};
}

// Follows the program into the instance that replaced it.
void adoptNewInstance(const std::string& expected) {
  const std::string expectedArguments = withOwnSid(expected);
  if (WaitForSingleObject(program.hProcess, 15000) != WAIT_OBJECT_0) fail("the old instance still runs");
  if (follow(program.dwProcessId, 10000).process == 0) fail("no new instance started");
  std::string actual = narrow(commandLineOf(program.hProcess));
  if (actual.size() < expectedArguments.size() ||
      actual.compare(actual.size() - expectedArguments.size(), std::string::npos, expectedArguments) != 0 ||
      actual.find("kestrane.exe") == std::string::npos) {
    fail("new instance's command line " + actual + " does not end in " + expectedArguments);
  }
}

void start(const std::vector<std::string>& words) {
  std::wstring line = L"\"" + besideDriver(L"kestrane.exe") + L"\"";
  // The arguments go to the program exactly as the scenario line has them.
  size_t rest = currentLine.find("start") + 5;
  if (words.size() > 1) line += widen(currentLine.substr(rest));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (startShowCommand != SW_SHOWDEFAULT) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = startShowCommand;
  }
  if (!startProcess(line, FALSE, 0, startup, program)) {
    fail("cannot start kestrane.exe");
  }
  WaitForInputIdle(program.hProcess, 10000);
}

HKEY rootOf(const std::string& path, std::wstring& rest) {
  size_t slash = path.find('\\');
  std::string root = path.substr(0, slash);
  rest = slash == std::string::npos ? L"" : widen(path.substr(slash + 1));
  if (root == "HKLM" || root == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
  if (root == "HKU" || root == "HKEY_USERS") return HKEY_USERS;
  return HKEY_CURRENT_USER;
}

// Gives everyone the rights of the SDDL on the key and every key below it.
void setRights(HKEY root, const std::wstring& path, const wchar_t* sddl) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | WRITE_DAC, &key) != ERROR_SUCCESS) fail("cannot open key");
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    setRights(root, path + L"\\" + name, sddl);
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr);
  RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
  LocalFree(descriptor);
  RegCloseKey(key);
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(widen("Z:\\sys\\class\\power_supply\\" + path).c_str(), std::ios::binary);
  out << content << "\n";
}

// Wine reads the battery from the power-supply folder that the scenario's
// mount namespace gives it, on its Z: drive. Where there is none (real
// Windows), "battery none" expects Windows to report no battery, and a
// battery of the scenario's own cannot be had.
bool fakeBatteryFolder() {
  DWORD attributes = GetFileAttributesW(L"Z:\\sys\\class\\power_supply");
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void setBattery(const std::vector<std::string>& w) {
  const std::string state = w.size() > 1 ? w[1] : "none";
  if (!fakeBatteryFolder()) {
    if (state != "none") fail("a battery of the scenario's own needs Wine's power-supply folder");
    SYSTEM_POWER_STATUS power{};
    if (!GetSystemPowerStatus(&power) || (power.BatteryFlag & 128) == 0) fail("this machine reports a battery");
    return;
  }
  CreateDirectoryW(L"Z:\\sys\\class\\power_supply\\AC", nullptr);
  writeFile("AC\\type", "Mains");
  writeFile("AC\\online", state == "discharging" ? "0" : "1");
  if (state == "none") {
    for (const char* file : {"type", "present", "status", "charge_full", "charge_full_design", "charge_now",
                             "current_now", "voltage_now"}) {
      DeleteFileW(widen(std::string("Z:\\sys\\class\\power_supply\\BAT0\\") + file).c_str());
    }
    RemoveDirectoryW(L"Z:\\sys\\class\\power_supply\\BAT0");
    return;
  }
  if (w.size() < 3) fail("battery needs a charge");
  long long full = 5000000, now = full * std::stoi(w[2]) / 100;
  long long seconds = w.size() > 3 ? std::stoll(w[3]) : 0;
  long long current = seconds > 0 ? now * 3600 / seconds : 0;
  CreateDirectoryW(L"Z:\\sys\\class\\power_supply\\BAT0", nullptr);
  writeFile("BAT0\\type", "Battery");
  writeFile("BAT0\\present", "1");
  writeFile("BAT0\\status", state == "charging" ? "Charging" : state == "ac" ? "Not charging" : "Discharging");
  writeFile("BAT0\\charge_full", std::to_string(full));
  writeFile("BAT0\\charge_full_design", std::to_string(full));
  writeFile("BAT0\\charge_now", std::to_string(now));
  writeFile("BAT0\\current_now", std::to_string(current));
  writeFile("BAT0\\voltage_now", "11000000");
}

// The width a control's text takes in the program's font, Tahoma at 8
// points. A font handle of another process cannot be used here.
int textWidth(HWND control) {
  std::wstring text = textOf(control);
  HDC dc = GetDC(control);
  HFONT font = CreateFontW(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Tahoma");
  HGDIOBJ previous = SelectObject(dc, font);
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, previous);
  DeleteObject(font);
  ReleaseDC(control, dc);
  return r.right - r.left;
}

// One pixel, by its place on the screen, of an image of the area around it.
COLORREF pixelOf(const std::vector<char>& image, const RECT& area, LONG x, LONG y) {
  LONG width = area.right - area.left, height = area.bottom - area.top;
  size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  size_t row = static_cast<size_t>(height - 1 - (y - area.top));
  size_t at =
      sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + row * stride + static_cast<size_t>(x - area.left) * 3;
  auto channel = [&](size_t i) { return static_cast<BYTE>(image[at + i]); };
  return RGB(channel(2), channel(1), channel(0));
}

// How light a part of the screen is in an image of the area around it.
int lightness(const std::vector<char>& image, const RECT& area, const RECT& part) {
  int sum = 0;
  for (LONG y = std::max(part.top, area.top); y < std::min(part.bottom, area.bottom); ++y) {
    for (LONG x = std::max(part.left, area.left); x < std::min(part.right, area.right); ++x) {
      COLORREF pixel = pixelOf(image, area, x, y);
      sum += GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel);
    }
  }
  return sum;
}

// The colour of a control's text as the screen shows it: inside the
// control, the background is the most frequent colour and the text the
// next. A button's frame and focus rectangle, and a caret, stay out.
std::optional<COLORREF> textColorOnScreen(HWND control) {
  RECT area;
  GetClientRect(control, &area);
  MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&area), 2);
  if (classOf(control) == L"Button") InflateRect(&area, -5, -5);
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  GetGUIThreadInfo(program.dwThreadId, &thread);
  RECT caret{};
  if (thread.hwndCaret == control) {
    caret = thread.rcCaret;
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&caret), 2);
  }
  std::vector<char> image = screenImage(area);
  if (image.empty()) return std::nullopt;
  std::map<COLORREF, int> counts;
  for (LONG y = area.top; y < area.bottom; ++y) {
    for (LONG x = area.left; x < area.right; ++x) {
      POINT at{x, y};
      if (!PtInRect(&caret, at)) ++counts[pixelOf(image, area, x, y)];
    }
  }
  std::vector<std::pair<int, COLORREF>> byFrequency;
  for (const auto& [color, count] : counts) byFrequency.push_back({count, color});
  std::sort(byFrequency.rbegin(), byFrequency.rend());
  if (byFrequency.size() < 2) return std::nullopt;
  return byFrequency[1].second;
}

// A part of the screen as the user sees it. A blinking caret would be
// caught on or off by chance, and a caret over a digit changes how it
// reads; the image is taken when the caret is off, where its place is
// lightest.
std::vector<char> imageWithTheCaretOff(const RECT& area) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  GetGUIThreadInfo(program.dwThreadId, &thread);
  HWND caretWindow = thread.hwndCaret;
  RECT caret = thread.rcCaret, shown{};
  if (caretWindow != nullptr) MapWindowPoints(caretWindow, nullptr, reinterpret_cast<POINT*>(&caret), 2);
  if (caretWindow == nullptr || !IntersectRect(&shown, &caret, &area)) return screenImage(area);
  std::vector<char> lightest;
  int best = -1;
  for (int shot = 0; shot < 8; ++shot) {
    std::vector<char> image = screenImage(area);
    int light = lightness(image, area, caret);
    if (light > best) {
      best = light;
      lightest = std::move(image);
    }
    Sleep(90);
  }
  return lightest;
}

// A window of another program, painted in a colour the program never
// uses, so that the screen itself shows which of the two is in front.
constexpr COLORREF coverColor = RGB(255, 0, 255);
HWND coverWindow = nullptr;

COLORREF screenColorAt(POINT point) {
  HDC screen = GetDC(nullptr);
  COLORREF color = GetPixel(screen, point.x, point.y);
  ReleaseDC(nullptr, screen);
  return color;
}

// The middle of the window's client area, where only the window itself
// or something in front of it can be seen.
POINT clientMiddle(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  POINT middle{client.right / 2, client.bottom / 2};
  ClientToScreen(window, &middle);
  return middle;
}

bool registerCoverClass() {
  WNDCLASSW coverClass{};
  coverClass.lpfnWndProc = DefWindowProcW;
  coverClass.hInstance = GetModuleHandleW(nullptr);
  coverClass.hbrBackground = CreateSolidBrush(coverColor);
  coverClass.lpszClassName = L"KdriverCover";
  return RegisterClassW(&coverClass) != 0;
}

void cover(HWND target) {
  static const bool registered = registerCoverClass();
  if (!registered) fail("cannot register the cover's class");
  RECT area;
  GetWindowRect(target, &area);
  InflateRect(&area, 60, 60);
  coverWindow = CreateWindowExW(0, L"KdriverCover", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, area.left,
                                area.top, area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (coverWindow == nullptr) fail("cannot open the cover");
  SetForegroundWindow(coverWindow);
  for (int waited = 0; screenColorAt(clientMiddle(target)) != coverColor; waited += 100) {
    if (waited >= 5000) fail("the cover does not hide the window");
    pumpMessages(100);
  }
}

// A pop-up menu opens at the pointer, moved only as far as it must be to
// stay clear of the screen's edges and the panel.
void expectAtPointer(HWND window) {
  POINT pointer;
  GetCursorPos(&pointer);
  RECT area;
  GetWindowRect(window, &area);
  LONG apartX = std::max({area.left - pointer.x, pointer.x - area.right, 0L});
  LONG apartY = std::max({area.top - pointer.y, pointer.y - area.bottom, 0L});
  if (std::max(apartX, apartY) > 16) {
    fail("the window stands at " + std::to_string(area.left) + "," + std::to_string(area.top) + "-" +
         std::to_string(area.right) + "," + std::to_string(area.bottom) + ", the pointer at " +
         std::to_string(pointer.x) + "," + std::to_string(pointer.y));
  }
}

void expectInFront(HWND target) {
  for (int waited = 0;; waited += 100) {
    bool seen = screenColorAt(clientMiddle(target)) != coverColor;
    bool foreground = GetForegroundWindow() == target;
    if (seen && foreground) break;
    if (waited >= 5000) {
      fail(std::string(seen ? "the window is seen" : "the cover hides the window") +
           (foreground ? " and is the foreground window" : " and is not the foreground window"));
    }
    pumpMessages(100);
  }
  if (coverWindow != nullptr) DestroyWindow(coverWindow);
  coverWindow = nullptr;
}

std::string windowState(HWND window) {
  return IsIconic(window) ? "minimized" : IsZoomed(window) ? "maximized" : "normal";
}

std::string cliOutput;

// Runs the command line as a script would, its output caught in a pipe.
int runCli(const std::string& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) fail("cannot make a pipe");
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = writeEnd;
  std::wstring line = L"\"" + besideDriver(L"kestrane-cli.exe") + L"\" " + widen(arguments);
  PROCESS_INFORMATION child{};
  if (!startProcess(line, TRUE, CREATE_NO_WINDOW, startup, child)) {
    fail("cannot start kestrane-cli.exe");
  }
  CloseHandle(writeEnd);
  cliOutput.clear();
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) cliOutput.append(buffer, got);
  CloseHandle(readEnd);
  WaitForSingleObject(child.hProcess, 30000);
  DWORD exitCode = 1;
  GetExitCodeProcess(child.hProcess, &exitCode);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return static_cast<int>(exitCode);
}

void runAndWait(std::wstring line) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  if (!startProcess(line, FALSE, 0, startup, child)) {
    fail("cannot run " + narrow(line));
  }
  WaitForSingleObject(child.hProcess, 30000);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
}

using Words = std::vector<std::string>;

// One kind of step: its verb, how many words must follow it, and what it does.
struct Step {
  const char* verb;
  size_t arguments;
  void (*run)(const Words& w);
};

// Waits for a value to be as expected, for as long as eventually() waits.
void expectEventually(const std::string& what, const std::string& expected, std::string (*actual)(const Words&),
                      const Words& w) {
  eventually([&](bool last) {
    std::string shown = actual(w);
    if (shown == expected) return true;
    if (last) expectEqual(what, expected, shown);
    return false;
  });
}

// The colour of a control's text on the screen as RRGGBB, or "none".
std::string shownTextColor(const Words& w) {
  std::optional<COLORREF> shown = textColorOnScreen(control(w[1], w[2]));
  char rgb[8] = "none";
  if (shown) std::snprintf(rgb, sizeof rgb, "%02X%02X%02X", GetRValue(*shown), GetGValue(*shown), GetBValue(*shown));
  return rgb;
}

void expectFits(const Words& w) {
  HWND target = control(w[1], w[2]);
  eventually([&](bool last) {
    RECT client;
    GetClientRect(target, &client);
    int needed = textWidth(target);
    if (client.right >= needed) return true;
    if (last) {
      fail(w[2] + " is " + std::to_string(client.right) + " pixels wide, its text \"" + narrow(textOf(target)) +
           "\" needs " + std::to_string(needed));
    }
    return false;
  });
}

BOOL CALLBACK collectChild(HWND child, LPARAM parameter) {
  if (IsWindowVisible(child)) reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(child);
  return TRUE;
}

// Whether the two are a spin edit's field and its arrows, which stand on it.
bool spinEditParts(HWND a, HWND b) {
  auto buddyOf = [](HWND arrows) { return reinterpret_cast<HWND>(SendMessageW(arrows, UDM_GETBUDDY, 0, 0)); };
  return (classOf(a) == UPDOWN_CLASSW && buddyOf(a) == b) || (classOf(b) == UPDOWN_CLASSW && buddyOf(b) == a);
}

// The room a control has for its text: a radio button's or a check box's
// stands right of its box.
LONG textRoom(HWND control) {
  RECT client;
  GetClientRect(control, &client);
  const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
  const bool boxed = classOf(control) == L"Button" && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ||
                                                       type == BS_CHECKBOX || type == BS_AUTOCHECKBOX);
  HDC dc = GetDC(control);
  const int box = boxed ? MulDiv(16, GetDeviceCaps(dc, LOGPIXELSY), 96) : 0;
  ReleaseDC(control, dc);
  return client.right - box;
}

void expectWhole(const Words& w) {
  HWND window = topLevel(w[1]);
  std::vector<HWND> children;
  EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&children));
  std::string faults;
  for (size_t i = 0; i < children.size(); ++i) {
    RECT a, b, both;
    GetWindowRect(children[i], &a);
    for (size_t j = i + 1; j < children.size(); ++j) {
      GetWindowRect(children[j], &b);
      if (IntersectRect(&both, &a, &b) && !spinEditParts(children[i], children[j])) {
        faults += " control " + std::to_string(GetDlgCtrlID(children[i])) + " reaches into control " +
                  std::to_string(GetDlgCtrlID(children[j])) + ";";
      }
    }
    const std::wstring kind = classOf(children[i]);
    if ((kind == L"Static" || kind == L"Button") && !textOf(children[i]).empty() &&
        textWidth(children[i]) > textRoom(children[i])) {
      faults += " \"" + narrow(textOf(children[i])) + "\" is cut;";
    }
  }
  RECT outer;
  GetWindowRect(window, &outer);
  if (outer.left < 0 || outer.top < 0 || outer.right > GetSystemMetrics(SM_CXSCREEN) ||
      outer.bottom > GetSystemMetrics(SM_CYSCREEN)) {
    faults += " the window does not lie on the screen;";
  }
  if (!faults.empty()) fail(w[1] + " is not whole:" + faults);
}

void expectSingleFrame(const Words& w) {
  HWND window = topLevel(w[1]);
  auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  bool single = (style & WS_BORDER) != 0 && (style & WS_THICKFRAME) == 0 && (exStyle & WS_EX_DLGMODALFRAME) == 0;
  expectEqual("frame of " + w[1], w[2], single ? "single" : "other");
}

// Windows grants the foreground only under its documented conditions, and
// a hosted runner starts with a console window in front: a click, an answer
// or a colour read on a window that is not in front may go astray. A thread
// attached to the input of the one in front may hand the foreground on.
void bringToFront(HWND window) {
  HWND root = GetAncestor(window, GA_ROOT);
  HWND front = GetForegroundWindow();
  if (root == nullptr || front == root) return;
  DWORD self = GetCurrentThreadId();
  DWORD frontThread = front != nullptr ? GetWindowThreadProcessId(front, nullptr) : 0;
  const bool attach = frontThread != 0 && frontThread != self;
  if (attach) AttachThreadInput(self, frontThread, TRUE);
  SetForegroundWindow(root);
  BringWindowToTop(root);
  if (attach) AttachThreadInput(self, frontThread, FALSE);
  pumpMessages(100);
}

void click(const Words& w) {
  HWND target = control(w[1], w[2]);
  bringToFront(target);
  if (classOf(target) == L"Static") {
    PostMessageW(GetParent(target), WM_COMMAND, MAKEWPARAM(0, STN_CLICKED), reinterpret_cast<LPARAM>(target));
  } else {
    PostMessageW(target, BM_CLICK, 0, 0);
  }
}

void answer(const Words& w) {
  HWND box = messageBox();
  bringToFront(box);
  int id = w[1] == "Yes" ? IDYES : w[1] == "No" ? IDNO : w[1] == "Cancel" ? IDCANCEL : IDOK;
  HWND button = GetDlgItem(box, id);
  if (button == nullptr) fail("the message box has no " + w[1] + " button");
  PostMessageW(button, BM_CLICK, 0, 0);
  Sleep(300);
}

void focusControl(const Words& w) {
  HWND target = control(w[1], w[2]);
  DWORD self = GetCurrentThreadId();
  AttachThreadInput(self, program.dwThreadId, TRUE);
  SetFocus(target);
  AttachThreadInput(self, program.dwThreadId, FALSE);
}

void saveWindow(const Words& w) {
  Sleep(300);
  RECT area;
  GetWindowRect(topLevel(w[1]), &area);
  if (!saveImage(imageWithTheCaretOff(area), besideDriver(widen(w[2])))) fail("cannot save " + w[2]);
}

void saveDesktop(const Words& w) {
  RECT screen;
  GetWindowRect(GetDesktopWindow(), &screen);
  if (!saveImage(imageWithTheCaretOff(screen), besideDriver(widen(w[1])))) fail("cannot save " + w[1]);
}

void expectValue(const Words& w) {
  std::wstring path;
  HKEY root = rootOf(w[1], path);
  DWORD value = 0, size = sizeof value, type = 0;
  LONG status = RegGetValueW(root, path.c_str(), widen(w[2]).c_str(), RRF_RT_ANY, &type, &value, &size);
  std::string actual = status != ERROR_SUCCESS ? "missing" : type != REG_DWORD ? "not a DWORD" : std::to_string(value);
  expectEqual("value " + w[2] + " of " + w[1], w[3], actual);
}

void expectKey(const Words& w) {
  std::wstring path;
  HKEY root = rootOf(w[1], path);
  HKEY key = nullptr;
  bool exists = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (exists) RegCloseKey(key);
  expectEqual("key " + w[1], w[0] == "haskey" ? "present" : "missing", exists ? "present" : "missing");
}

void giveRights(const Words& w) {
  std::wstring path;
  HKEY root = rootOf(w[1], path);
  setRights(root, path, w[0] == "readonly" ? L"D:(A;;KR;;;WD)" : L"D:(A;;KA;;;WD)");
}

// A scenario's "$HERE" stands for the driver's folder, where a file the
// command line writes may go.
std::string withDriversFolder(const std::string& text) {
  std::wstring folder = besideDriver(L"");
  folder.pop_back();
  return withPlaceholder(text, "$HERE", narrow(folder));
}

void runTheCommandLine(const Words& w) {
  size_t rest = currentLine.find(w[1], currentLine.find("cli") + 3) + w[1].size();
  int exitCode = runCli(withDriversFolder(currentLine.substr(rest)));
  if (std::to_string(exitCode) != w[1]) {
    fail("kestrane-cli exited with " + std::to_string(exitCode) + ", expected " + w[1] +
         "; it said: " + escaped(cliOutput));
  }
}

const Step kSteps[] = {
    {"start", 0, [](const Words& w) { start(w); }},
    {"rights", 1,
     [](const Words& w) {
       if (w[1] != "limited" && w[1] != "full") fail("rights limited|full");
       limitedRights = w[1] == "limited";
       if (limitedRights) limitedToken();
     }},
    {"rename", 2,
     [](const Words& w) {
       if (!MoveFileW(besideDriver(widen(w[1])).c_str(), besideDriver(widen(w[2])).c_str()))
         fail("cannot rename " + w[1]);
     }},
    {"attach", 0,
     [](const Words&) {
       if (follow(0, 15000).process == 0) fail("no kestrane.exe runs");
       attached = true;
     }},
    {"window", 1, [](const Words& w) { topLevel(w[1]); }},
    {"caption", 2,
     [](const Words& w) {
       expectEventually(
           "caption of " + w[1], w[2], [](const Words& v) { return narrow(textOf(topLevel(v[1]))); }, w);
     }},
    {"text", 3,
     [](const Words& w) {
       expectEventually(
           "text of " + w[2], w[3], [](const Words& v) { return narrow(textOf(control(v[1], v[2]))); }, w);
     }},
    {"visible", 3,
     [](const Words& w) {
       expectEqual("visible of " + w[2], w[3], IsWindowVisible(control(w[1], w[2])) ? "yes" : "no");
     }},
    {"enabled", 3,
     [](const Words& w) {
       expectEqual("enabled of " + w[2], w[3], IsWindowEnabled(control(w[1], w[2])) ? "yes" : "no");
     }},
    {"color", 3,
     [](const Words& w) {
       bringToFront(control(w[1], w[2]));
       expectEventually("colour of " + w[2] + "'s text on the screen", w[3], shownTextColor, w);
     }},
    {"fits", 2, expectFits},
    {"whole", 1, expectWhole},
    {"state", 2,
     [](const Words& w) {
       expectEventually(
           "state of " + w[1], w[2], [](const Words& v) { return windowState(topLevel(v[1])); }, w);
     }},
    {"frame", 2, expectSingleFrame},
    {"show", 1,
     [](const Words& w) {
       startShowCommand = w[1] == "minimized"   ? SW_SHOWMINIMIZED
                          : w[1] == "maximized" ? SW_SHOWMAXIMIZED
                                                : SW_SHOWDEFAULT;
     }},
    {"click", 2, click},
    {"settext", 3,
     [](const Words& w) {
       SendMessageW(control(w[1], w[2]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(widen(w[3]).c_str()));
     }},
    {"key", 2, [](const Words& w) { pressKey(topLevel(w[1]), w[2]); }},
    {"message", 1, [](const Words& w) { expectEqual("message box", w[1], narrow(messageText(messageBox()))); }},
    {"messagestarts", 1,
     [](const Words& w) {
       const std::string shown = narrow(messageText(messageBox()));
       expectEqual("message box's start", w[1], shown.substr(0, w[1].size()));
     }},
    {"answer", 1, answer},
    {"type", 3, [](const Words& w) { typeText(control(w[1], w[2]), widen(w[3])); }},
    {"focus", 2, focusControl},
    {"tray", 1, [](const Words& w) { pressTrayIcon(w[1]); }},
    {"menu", 1, [](const Words& w) { PostMessageW(topLevel("#32768"), WM_CHAR, static_cast<WPARAM>(w[1][0]), 1); }},
    {"screenshot", 2, saveWindow},
    {"trayhint", 1, [](const Words& w) { expectTrayHint(w[1]); }},
    {"hint", 3, expectHint},
    {"traypicture", 1, trayPicture},
    {"panel", 0, [](const Words&) { restartPanel(); }},
    {"desktop", 1, saveDesktop},
    {"cover", 1, [](const Words& w) { cover(topLevel(w[1])); }},
    {"front", 1, [](const Words& w) { expectInFront(topLevel(w[1])); }},
    {"atpointer", 1, [](const Words& w) { expectAtPointer(topLevel(w[1])); }},
    {"minimize", 1,
     [](const Words& w) {
       PostMessageW(topLevel(w[1]), WM_SYSCOMMAND, SC_MINIMIZE, 0);
       Sleep(500);
     }},
    {"close", 1, [](const Words& w) { PostMessageW(topLevel(w[1]), WM_CLOSE, 0, 0); }},
    {"exits", 0,
     [](const Words&) {
       if (WaitForSingleObject(program.hProcess, 10000) != WAIT_OBJECT_0) fail("the program still runs");
     }},
    {"restarted", 1, [](const Words& w) { adoptNewInstance(w[1]); }},
    {"running", 0,
     [](const Words&) {
       Sleep(500);
       if (WaitForSingleObject(program.hProcess, 0) == WAIT_OBJECT_0) fail("the program has ended");
     }},
    {"alone", 0,
     [](const Words&) {
       // Long enough for a copy that the last answer started to show up.
       pumpMessages(3000);
       if (WaitForSingleObject(program.hProcess, 0) == WAIT_OBJECT_0) fail("the program has ended");
       if (otherInstance(program.dwProcessId).process != 0) fail("another kestrane.exe started beside it");
     }},
    {"seed", 1, [](const Words& w) { runAndWait(L"regedit.exe /S \"" + widen(w[1]) + L"\""); }},
    {"readonly", 1, giveRights},
    {"writable", 1, giveRights},
    {"value", 3, expectValue},
    {"haskey", 1, expectKey},
    {"nokey", 1, expectKey},
    {"battery", 0, setBattery},
    {"cli", 1, runTheCommandLine},
    {"output", 1,
     [](const Words& w) {
       if (cliOutput.find(w[1]) == std::string::npos) {
         fail("kestrane-cli's output " + escaped(cliOutput) + " lacks " + escaped(w[1]));
       }
     }},
    {"sleep", 1, [](const Words& w) { Sleep(static_cast<DWORD>(std::stoi(w[1]))); }},
};

void step(const Words& w) {
  for (const Step& known : kSteps) {
    if (w[0] != known.verb) continue;
    if (w.size() < known.arguments + 1) fail(w[0] + " needs " + std::to_string(known.arguments) + " arguments");
    known.run(w);
    return;
  }
  fail("unknown step " + w[0]);
}

}  // namespace

int wmain() {
  std::string line;
  while (std::getline(std::cin, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    currentLine = line;
    auto words = split(line);
    if (words.empty() || words[0][0] == '#') continue;
    step(words);
    pumpMessages(150);
  }
  if (program.hProcess != nullptr && !attached && WaitForSingleObject(program.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(program.hProcess, 0);
  }
  std::printf("ok\n");
  return 0;
}
