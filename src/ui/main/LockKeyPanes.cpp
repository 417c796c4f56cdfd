#include "ui/main/LockKeyPanes.h"

#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>

#include <dlfcn.h>

// Reads the keyboard indicators through libX11's XKB calls. The library is opened at run time: it is
// there in every X11 session, and the program then needs no X11 headers to build.
class CLockKeyPanes::CReader
{
public:
    static std::unique_ptr<CReader> Open()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return nullptr;
        auto reader = std::make_unique<CReader>();
        return reader->Init() ? std::move(reader) : nullptr;
    }

    ~CReader()
    {
        if (m_display && m_closeDisplay)
            m_closeDisplay(m_display);
        if (m_lib)
            dlclose(m_lib);
    }

    bool IsOn(int key) const
    {
        int on = 0;
        if (!m_getNamedIndicator(m_display, 0x100 /* XkbUseCoreKbd */, m_atoms[key], nullptr, &on, nullptr, nullptr))
            return false;
        return on != 0;
    }

private:
    using OpenDisplay = void* (*)(const char*);
    using CloseDisplay = int (*)(void*);
    using InternAtom = unsigned long (*)(void*, const char*, int);
    using GetNamedIndicator = int (*)(void*, unsigned int, unsigned long, int*, int*, void*, int*);

    bool Init()
    {
        m_lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!m_lib)
            return false;
        auto openDisplay = reinterpret_cast<OpenDisplay>(dlsym(m_lib, "XOpenDisplay"));
        m_closeDisplay = reinterpret_cast<CloseDisplay>(dlsym(m_lib, "XCloseDisplay"));
        auto internAtom = reinterpret_cast<InternAtom>(dlsym(m_lib, "XInternAtom"));
        m_getNamedIndicator = reinterpret_cast<GetNamedIndicator>(dlsym(m_lib, "XkbGetNamedIndicator"));
        if (!openDisplay || !m_closeDisplay || !internAtom || !m_getNamedIndicator)
            return false;
        m_display = openDisplay(nullptr);
        if (!m_display)
            return false;
        const char* names[3] = {"Caps Lock", "Num Lock", "Scroll Lock"};
        for (int i = 0; i < 3; ++i)
            m_atoms[i] = internAtom(m_display, names[i], 0);
        return true;
    }

    void* m_lib = nullptr;
    void* m_display = nullptr;
    CloseDisplay m_closeDisplay = nullptr;
    GetNamedIndicator m_getNamedIndicator = nullptr;
    unsigned long m_atoms[3] = {};
};

namespace {
constexpr const char* kTexts[3] = {"CAP", "NUM", "SCRL"};
} // namespace

CLockKeyPanes::CLockKeyPanes(QStatusBar* bar)
    : QObject(bar)
    , m_reader(CReader::Open())
{
    if (!m_reader)
        return;
    for (int i = 0; i < 3; ++i) {
        m_panes[i] = new QLabel(bar);
        m_panes[i]->setAlignment(Qt::AlignCenter);
        m_panes[i]->setMinimumWidth(m_panes[i]->fontMetrics().horizontalAdvance(QStringLiteral("SCRLX")));
        bar->addPermanentWidget(m_panes[i]);
    }
    Refresh();
}

CLockKeyPanes::~CLockKeyPanes() = default;

void CLockKeyPanes::Refresh()
{
    if (!m_reader)
        return;
    for (int i = 0; i < 3; ++i) {
        // An indicator that is off keeps its place but shows no text, as the lock panes always did.
        m_panes[i]->setText(m_reader->IsOn(i) ? QString::fromLatin1(kTexts[i]) : QString());
    }
}
