#include "app/DesignChangeCommand.h"

#include <utility>

namespace {

constexpr int kMergingChangeId = 1;
constexpr int kNeverMerges = -1;

}

DesignChangeCommand::DesignChangeCommand(const QString& text, WindowState before, WindowState after, Show show,
                                         const void* source, quint64 run)
    : QUndoCommand(text)
    , m_before(std::move(before))
    , m_after(std::move(after))
    , m_show(std::move(show))
    , m_source(source)
    , m_run(run)
{
}

DesignChangeCommand::DesignChangeCommand(const QString& text, WindowState before, WindowState after,
                                         FileSwitch files, Show show)
    : DesignChangeCommand(text, std::move(before), std::move(after), std::move(show))
{
    m_files = std::move(files);
}

void DesignChangeCommand::undo()
{
    m_show(m_before, m_files ? std::optional<QString>(m_files->before) : std::nullopt);
}

void DesignChangeCommand::redo()
{
    if (std::exchange(m_alreadyDone, false))
        return;
    m_show(m_after, m_files ? std::optional<QString>(m_files->after) : std::nullopt);
}

int DesignChangeCommand::id() const
{
    return m_source ? kMergingChangeId : kNeverMerges;
}

bool DesignChangeCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = static_cast<const DesignChangeCommand*>(other);   // the same id: the same class
    if (next->m_source != m_source || next->m_run != m_run)
        return false;
    m_after = next->m_after;
    setObsolete(m_after == m_before);
    return true;
}
