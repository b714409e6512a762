// Plays the browser for Tavil: loads the library, calls its exports and COM objects in the
// browser's order, and checks what the fake main program received.
#include "plugins/ie/tavil.h"

#include <dlfcn.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/registry_file.h"
#include "platform/text.h"
#include "tests/plugins/fake_main_program.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

using namespace ferrow::tavil;

const std::wstring kProgramKey = L"Software\\Brennick\\Ferrow";
const std::wstring kBrowserKey = L"SOFTWARE\\Microsoft\\Internet Explorer";
const std::wstring kMenuOne = kBrowserKey + L"\\MenuExt\\Download with Ferrow";
const std::wstring kMenuAll = kBrowserKey + L"\\MenuExt\\Download All with Ferrow";

struct Library {
  void* handle = nullptr;
  int (*isEnabled)() = nullptr;
  int (*enable)() = nullptr;
  int (*disable)() = nullptr;
  HRESULT (*registerServer)() = nullptr;
  HRESULT (*unregisterServer)() = nullptr;
  HRESULT (*getClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT (*canUnloadNow)() = nullptr;
  const char* (*findResource)(const char*, int, size_t*) = nullptr;
  void (*setShiftHeld)(int) = nullptr;
};

template <typename F>
void Bind(void* handle, const char* name, F& function) {
  function = reinterpret_cast<F>(dlsym(handle, name));
  ASSERT_NE(function, nullptr) << name;
}

RegistryValue Text(const std::wstring& text) {
  return {RegistryType::kString, WideToUtf16Le(text) + std::string(2, '\0')};
}

std::wstring ReadText(RegistryHive hive, const std::wstring& key, const wchar_t* name) {
  RegistryValue value;
  RegistryName valueName = name ? RegistryName(std::wstring(name)) : RegistryName();
  if (!RegistryReadValue(hive, key, valueName, value)) return L"<none>";
  std::wstring text = Utf16LeToWide(value.data);
  return text.substr(0, text.find(L'\0'));
}

uint32_t ReadDword(RegistryHive hive, const std::wstring& key, const wchar_t* name) {
  RegistryValue value;
  if (!RegistryReadValue(hive, key, std::wstring(name), value) || value.data.size() != 4)
    return 0xFFFFFFFF;
  uint32_t number;
  std::memcpy(&number, value.data.data(), 4);
  return number;
}

// A moniker that names a URL, as the browser hands one to the download hook.
class UrlMoniker final : public IMoniker {
 public:
  explicit UrlMoniker(std::wstring url) : m_url(std::move(url)) {}
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) override {
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc((m_url.size() + 1) * sizeof(wchar_t)));
    std::wmemcpy(copy, m_url.c_str(), m_url.size() + 1);
    *name = copy;
    return S_OK;
  }

 private:
  std::wstring m_url;
};

// An outer object that aggregates TavilObj and counts its own references.
class Outer final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  std::atomic<ULONG> references{1};
};

class TavilTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    m_lib.handle = dlopen(FERROW_TAVIL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m_lib.handle, nullptr) << dlerror();
    Bind(m_lib.handle, "IsPluginEnabled", m_lib.isEnabled);
    Bind(m_lib.handle, "EnablePlugin", m_lib.enable);
    Bind(m_lib.handle, "DisablePlugin", m_lib.disable);
    Bind(m_lib.handle, "DllRegisterServer", m_lib.registerServer);
    Bind(m_lib.handle, "DllUnregisterServer", m_lib.unregisterServer);
    Bind(m_lib.handle, "DllGetClassObject", m_lib.getClassObject);
    Bind(m_lib.handle, "DllCanUnloadNow", m_lib.canUnloadNow);
    Bind(m_lib.handle, "TavilFindResource", m_lib.findResource);
    Bind(m_lib.handle, "TavilSetShiftHeld", m_lib.setShiftHeld);
    m_program = std::make_unique<test::FakeMainProgram>(SandboxDir() / "app");
  }
  void TearDown() override {
    if (m_lib.setShiftHeld) m_lib.setShiftHeld(0);
    if (m_lib.handle) dlclose(m_lib.handle);
    SandboxedTest::TearDown();
  }

  IClassFactory* Factory() {
    void* factory = nullptr;
    EXPECT_EQ(m_lib.getClassObject(CLSID_TavilObj, IID_IClassFactory, &factory), S_OK);
    return static_cast<IClassFactory*>(factory);
  }

  // Offers a download to the hook, as the browser does before it downloads a file.
  HRESULT Offer(const std::wstring& url) {
    IClassFactory* factory = Factory();
    void* object = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDownloadManager, &object), S_OK);
    factory->Release();
    auto* hook = static_cast<IDownloadManager*>(object);
    UrlMoniker moniker(url);
    HRESULT result = hook->Download(&moniker, nullptr, 0, 0, nullptr, nullptr, nullptr, 0);
    hook->Release();
    return result;
  }

  // Calls Download(text) through IDispatch by name, as the context-menu pages' script does.
  void ScriptDownload(const std::wstring& text) {
    IClassFactory* factory = Factory();
    void* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), S_OK);
    factory->Release();
    auto* dispatch = static_cast<IDispatch*>(object);
    std::wstring name = L"download";  // script names ignore case
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_IUnknown, names, 1, 0, &id), S_OK);
    std::wstring copy = text;
    VARIANT argument{};
    argument.vt = VT_BSTR;
    argument.bstrVal = copy.data();
    DISPPARAMS params{&argument, nullptr, 1, 0};
    EXPECT_EQ(
        dispatch->Invoke(id, IID_IUnknown, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
        S_OK);
    dispatch->Release();
  }

  void SetExtensionList(const std::wstring& list) {
    RegistryWriteValue(RegistryHive::kCurrentUser, kProgramKey, std::wstring(L"ExtensionList"),
                       Text(list));
  }

  Library m_lib;
  std::unique_ptr<test::FakeMainProgram> m_program;
};

TEST_F(TavilTest, DownloadHookTakesExactlyTheListedUrls) {
  m_program->Register();
  struct Case {
    const wchar_t* list;  // null: no "ExtensionList" (the default list)
    const wchar_t* url;
    bool shift;
    bool taken;
  };
  const Case cases[] = {
      {nullptr, L"http://host/setup.exe", false, true},
      {nullptr, L"http://host/setup.exe", true, false},  // Shift leaves it to the browser
      {nullptr, L"HTTP://host/setup.exe", false, false},
      {nullptr, L"https://host/setup.exe", false, false},
      {nullptr, L"ftp://host/pub/file.tar", false, true},
      {nullptr, L"http://host/get.php?file=a.zip", false, true},
      {nullptr, L"http://host/a.zip?x=1", false, false},
      {nullptr, L"http://host/dir.old/file", false, false},
      {nullptr, L"http://host.exe", false, true},  // no path: the host name's last dot counts
      {nullptr, L"http://host/movie.r05", false, true},
      {nullptr, L"http://host/movie.R1", false, true},
      {nullptr, L"http://host/movie.r", false, false},
      {L"EXE  ZIP", L"http://host/a.exe", false, true},
      {L"EXE  ZIP", L"http://host/a.zip", false, false},  // the list ends at two spaces
      {L" EXE", L"http://host/a.exe", false, false},
      {L"", L"http://host/a.exe", false, false},
      {L"*", L"http://host/readme.", false, true},  // even the empty extension
      {L"*", L"http://host/readme", false, false},
  };
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    if (c.list)
      SetExtensionList(c.list);
    else
      RegistryDeleteValue(RegistryHive::kCurrentUser, kProgramKey, std::wstring(L"ExtensionList"));
    m_lib.setShiftHeld(c.shift ? 1 : 0);
    HRESULT result = Offer(c.url);
    EXPECT_EQ(result, c.taken ? S_OK : E_ABORT)
        << WideToUtf8(c.url) << " list " << (c.list ? WideToUtf8(c.list) : "default");
    if (c.taken) expected.push_back("/url=" + WideToUtf8(c.url));
  }
  ASSERT_TRUE(m_program->WaitForRecords(expected.size(), std::chrono::seconds(20)));
  std::vector<std::string> got;
  for (const auto& argv : m_program->Records()) {
    ASSERT_EQ(argv.size(), 3u);
    EXPECT_EQ(argv[0], m_program->ProgramPath());
    EXPECT_EQ(argv[1], "/silent");
    got.push_back(argv[2]);
  }
  std::sort(got.begin(), got.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(got, expected);
}

TEST_F(TavilTest, ScriptDownloadPassesTheTextAsOneArgumentWhateverItHolds) {
  m_program->Register();
  // Several links joined by '|' stay one argument; so does text that a shell or a command-line
  // split would have turned into options and further arguments.
  const std::wstring joined = L"http://a/x.zip|http://b/y.zip|http://c/z.zip";
  const std::wstring hostile = L"http://a/b c.zip\" -x; rm -rf ~ /silent";
  ScriptDownload(joined);
  ScriptDownload(hostile);
  ASSERT_TRUE(m_program->WaitForRecords(2, std::chrono::seconds(20)));
  std::vector<std::string> got;
  for (const auto& argv : m_program->Records()) {
    ASSERT_EQ(argv.size(), 3u);
    got.push_back(argv[2]);
  }
  std::sort(got.begin(), got.end());
  EXPECT_EQ(
      got, (std::vector<std::string>{"/url=" + WideToUtf8(hostile), "/url=" + WideToUtf8(joined)}));
}

TEST_F(TavilTest, OverlongCommandLineIsCutAndStillStarted) {
  m_program->Register();
  const std::wstring url = L"http://host/" + std::wstring(40000, L'a') + L".zip";
  ScriptDownload(url);
  ASSERT_TRUE(m_program->WaitForRecords(1, std::chrono::seconds(20)));
  const auto argv = m_program->Records().at(0);
  ASSERT_EQ(argv.size(), 3u);
  // "<folder>ferrow /silent /url=..." holds 32767 characters.
  EXPECT_EQ(argv[0].size() + 1 + argv[1].size() + 1 + argv[2].size(), 32767u);
  EXPECT_TRUE(argv[2].starts_with("/url=http://host/aaaa"));
}

TEST_F(TavilTest, EnableWritesTheBrowserKeysAndDisableRemovesOnlyItsOwn) {
  // Without "AppPath" nothing is written at all.
  EXPECT_EQ(m_lib.enable(), 0);
  EXPECT_FALSE(std::filesystem::exists(RegistryHivePath(RegistryHive::kCurrentUser)));
  EXPECT_EQ(m_lib.isEnabled(), 0);

  m_program->Register();
  const std::wstring folder = LocalToWide(m_program->AppPath());
  ASSERT_EQ(m_lib.enable(), 1);
  EXPECT_EQ(m_lib.isEnabled(), 1);
  const auto user = RegistryHive::kCurrentUser;
  EXPECT_EQ(ReadText(user, kBrowserKey, L"DownloadUI"), kClassIdText);
  EXPECT_EQ(ReadText(user, kMenuOne, nullptr), L"res://" + folder + L"Tavil.so/300");
  EXPECT_EQ(ReadDword(user, kMenuOne, L"contexts"), 0x22u);
  EXPECT_EQ(ReadText(user, kMenuAll, nullptr), L"res://" + folder + L"Tavil.so/301");
  EXPECT_EQ(ReadDword(user, kMenuAll, L"contexts"), 0xF3u);

  EXPECT_EQ(m_lib.disable(), 1);
  EXPECT_EQ(m_lib.isEnabled(), 0);
  EXPECT_EQ(ReadText(user, kBrowserKey, L"DownloadUI"), L"<none>");
  EXPECT_FALSE(RegistryKeyExists(user, kMenuOne));
  EXPECT_FALSE(RegistryKeyExists(user, kMenuAll));
  EXPECT_EQ(m_lib.disable(), 1);  // again, with nothing left to remove

  // Another program's download handler stays; the menu entries still go.
  ASSERT_EQ(m_lib.enable(), 1);
  const std::wstring other = L"{00000000-1111-2222-3333-444444444444}";
  RegistryWriteValue(user, kBrowserKey, std::wstring(L"DownloadUI"), Text(other));
  EXPECT_EQ(m_lib.isEnabled(), 0);
  EXPECT_EQ(m_lib.disable(), 1);
  EXPECT_EQ(ReadText(user, kBrowserKey, L"DownloadUI"), other);
  EXPECT_FALSE(RegistryKeyExists(user, kMenuOne));
  // The class id compares with case: the lower-case text names another class.
  std::wstring lower = kClassIdText;
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  RegistryWriteValue(user, kBrowserKey, std::wstring(L"DownloadUI"), Text(lower));
  EXPECT_EQ(m_lib.isEnabled(), 0);
}

TEST_F(TavilTest, RegisterServerWritesTheClassAndUnregisterTakesItBack) {
  const auto classes = RegistryHive::kClassesRoot;
  const std::wstring classKey = std::wstring(L"CLSID\\") + kClassIdText;
  // Without "AppPath" the class is registered but the integration is not: E_FAIL.
  EXPECT_EQ(m_lib.registerServer(), E_FAIL);
  m_program->Register();
  ASSERT_EQ(m_lib.registerServer(), S_OK);
  const std::string module = std::filesystem::absolute(FERROW_TAVIL_LIBRARY).lexically_normal();
  EXPECT_EQ(ReadText(classes, classKey + L"\\InprocServer32", nullptr), LocalToWide(module));
  EXPECT_EQ(ReadText(classes, classKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(ReadText(classes, classKey + L"\\ProgID", nullptr), L"Tavil.TavilObj.1");
  EXPECT_EQ(ReadText(classes, L"Tavil.TavilObj\\CurVer", nullptr), L"Tavil.TavilObj.1");
  EXPECT_EQ(ReadText(classes, L"Tavil.TavilObj.1\\CLSID", nullptr), kClassIdText);
  EXPECT_TRUE(RegistryKeyExists(classes, classKey + L"\\Programmable"));
  EXPECT_EQ(m_lib.isEnabled(), 1);

  RegistryCreateKey(classes, L"CLSID\\{other}");
  EXPECT_EQ(m_lib.unregisterServer(), S_OK);
  EXPECT_FALSE(RegistryKeyExists(classes, classKey));
  EXPECT_FALSE(RegistryKeyExists(classes, L"Tavil.TavilObj"));
  EXPECT_FALSE(RegistryKeyExists(classes, L"Tavil.TavilObj.1"));
  EXPECT_TRUE(RegistryKeyExists(classes, L"CLSID\\{other}"));
  EXPECT_EQ(m_lib.isEnabled(), 0);
}

TEST_F(TavilTest, FactoryAggregationAndReferenceCounts) {
  void* object = nullptr;
  EXPECT_EQ(m_lib.getClassObject(IID_IDispatch, IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(m_lib.canUnloadNow(), S_OK);

  IClassFactory* factory = Factory();
  EXPECT_EQ(m_lib.canUnloadNow(), S_FALSE);  // the factory is held
  Outer outer;
  // Aggregated, only the inner unknown may be asked for.
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &object), S_OK);
  auto* inner = static_cast<IUnknown*>(object);
  void* dispatch = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_ITavilObj, &dispatch), S_OK);
  EXPECT_EQ(outer.references.load(), 2u);  // the interface counts on the outer object
  static_cast<ITavilObj*>(dispatch)->Release();
  EXPECT_EQ(outer.references.load(), 1u);
  void* none = nullptr;
  EXPECT_EQ(inner->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(inner->Release(), 0u);

  ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITavilObj, &object), S_OK);
  auto* tavil = static_cast<ITavilObj*>(object);
  void* hook = nullptr;
  ASSERT_EQ(tavil->QueryInterface(IID_IDownloadManager, &hook), S_OK);
  EXPECT_EQ(tavil->Release(), 1u);
  factory->Release();
  EXPECT_EQ(m_lib.canUnloadNow(), S_FALSE);  // the hook still lives
  EXPECT_EQ(static_cast<IDownloadManager*>(hook)->Release(), 0u);
  EXPECT_EQ(m_lib.canUnloadNow(), S_OK);

  factory = Factory();
  factory->LockServer(1);
  factory->Release();
  EXPECT_EQ(m_lib.canUnloadNow(), S_FALSE);
  factory = Factory();
  factory->LockServer(0);
  factory->Release();
  EXPECT_EQ(m_lib.canUnloadNow(), S_OK);
}

TEST_F(TavilTest, ResourcesAreThePagesOfTheSourceTree) {
  for (auto [id, file] : {std::pair{300, "download.html"}, std::pair{301, "download_all.html"}}) {
    size_t size = 0;
    const char* bytes = m_lib.findResource("HTML", id, &size);
    ASSERT_NE(bytes, nullptr) << id;
    std::ifstream in(test::SourceDir() / "plugins/ie/pages" / file, std::ios::binary);
    std::stringstream source;
    source << in.rdbuf();
    EXPECT_EQ(std::string(bytes, size), source.str()) << file;
  }
  size_t size = 1;
  EXPECT_EQ(m_lib.findResource("HTML", 302, &size), nullptr);
  EXPECT_EQ(size, 0u);
}

}  // namespace
}  // namespace ferrow
