#pragma once

#include "wscriptesclass.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class ESClass;
class ESContext;
struct ESCompletion;

/// The studio's entry point for scripts. Entering it (an Entry, or evaluate()) counts
/// the nesting: the first entry ever creates the context (a MyESContext), sets it up,
/// appends "<installation>/bin" to the directories load() searches and installs the
/// host objects; later entries reuse it, so globals persist. Scripts that start scripts
/// (a build whose post-build step runs one) nest at most maxNesting deep.
///
/// Host objects are added by installers: WScript, BinaryFile and TRSys are there from
/// the start; an application adds its own (the build engine's `Build`) with
/// addHostObject() before or after the first entry.
///
/// A stop request ends the running script between two instructions (and a waiting
/// TRSys.run); it may come from another thread (a watchdog), and stays set until
/// clearStopRequest().
class StudioScriptSystem
{
public:
    /// Installs one host object into the context and answers its class, whose name is
    /// the host object's global name.
    using HostInstaller = std::function<ESClass *(ESContext *cx)>;
    static constexpr int maxNesting = 4;

    /// How the context is made: a MyESContext asks keepRunning() before every
    /// instruction (stop requests work; with ProcessEvents, pending events run too); a
    /// plain one never asks, which saves up to a third of the time of tight loops, and
    /// stop requests then go unheard.
    enum class ContextKind { Stoppable, ProcessEvents, Plain };

    /// `echo` receives WScript.Echo's texts (standard output when empty).
    explicit StudioScriptSystem(WScriptESClass::Writer echo = WScriptESClass::Writer(),
                                ContextKind kind = ContextKind::Stoppable);
    ~StudioScriptSystem();
    StudioScriptSystem(const StudioScriptSystem &) = delete;
    StudioScriptSystem &operator=(const StudioScriptSystem &) = delete;

    void addHostObject(const HostInstaller &installer);

    /// One entry into the system for the lifetime of the object. Throws HException
    /// "script recursion limit reached" when maxNesting entries are already active.
    class Entry
    {
    public:
        explicit Entry(StudioScriptSystem &system);
        ~Entry();
        Entry(const Entry &) = delete;
        Entry &operator=(const Entry &) = delete;
        ESContext *context() const;

    private:
        StudioScriptSystem &m_system;
    };

    /// Enters the system and evaluates the source in its context.
    ESCompletion evaluate(const QString &fileName, const QString &source);

    /// The context, or null before the first entry.
    ESContext *context() const { return m_context.get(); }
    int nesting() const { return m_nesting; }

    void requestStop() { m_stopRequested = true; }
    void clearStopRequest() { m_stopRequested = false; }
    bool stopRequested() const { return m_stopRequested; }

    /// The global names of the installed host objects, in installation order.
    QStringList hostObjectNames() const;
    /// Every host object's methods with their help texts as plain text (tags removed),
    /// wrapped to lines of at most 80 characters; a method without help shows its
    /// argument count. Enters the system.
    QString hostObjectsHelp();

    /// A help text of HTML with b and i tags as plain text.
    static QString plainText(const QString &html);

private:
    void createContext();
    void install(const HostInstaller &installer);

    std::vector<HostInstaller> m_installers;
    std::unique_ptr<ESContext> m_context;
    std::vector<ESClass *> m_hostClasses;
    int m_nesting = 0;
    std::atomic<bool> m_stopRequested{false};
    ContextKind m_kind;
};
