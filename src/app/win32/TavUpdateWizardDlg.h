// The wizard: one dialog whose four pages are groups of controls shown and hidden in place,
// a view over the page flow and the status board; the update runs on a worker thread.
#pragma once

#include <memory>
#include <string>

#include "app/StatusBoard.h"
#include "app/WizardFlow.h"
#include "app/win32/DibDialog.h"
#include "manager/TupOwner.h"

class CStringBase;
class CTupManager;

// Posted by the worker and the board; they carry no data but the run's result.
constexpr UINT WM_UPDATE_FINISHED = WM_APP + 1;
constexpr UINT WM_STATUS_LINES_ADDED = WM_APP + 2;
constexpr UINT WM_CURRENT_ACTION_CHANGED = WM_APP + 3;

class CTavUpdateWizardDlg final : public app::CDibDialog, public ITupOwner, public IWizardPrompts {
public:
    CTavUpdateWizardDlg(CStringBase& texts, uint32_t enforce, CTupManager& manager,
                        IWizardManager& wizardManager);
    ~CTavUpdateWizardDlg() override;

    // For the manager, from any thread.
    void AddStatusLine(const std::wstring& text, int stepProgress, int totalProgress) override;
    void SetCurrentAction(const std::wstring& text) override;
    int AskQuestion(const std::wstring& text, const std::wstring& caption, uint32_t style) override;

    // For the page flow.
    int Ask(uint32_t textId, uint32_t captionId, uint32_t style) override;
    bool ShowSettings(CCommSyncSettings& settings) override;

private:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnOK() override {}
    void OnCancel() override;

    // A text as the wizard shows it in its language (Latin parts marked in right-to-left ones).
    std::wstring Text(uint32_t textId) const;
    std::wstring Shown(const std::wstring& text) const;
    void ApplyLanguage();
    void ShowPage();
    void Act(CWizardFlow::Action action);
    void StartUpdate();
    void SetCloseEnabled(bool enabled);
    void OnUpdateFinished(bool succeeded);
    void OnStatusLinesAdded();
    static DWORD WINAPI UpdateThreadProc(void* dialog);

    CStringBase& texts_;
    CTupManager& manager_;
    IWizardManager& wizardManager_;
    CWizardFlow flow_;
    CStatusBoard board_;
    HICON icon_ = nullptr;
    HANDLE worker_ = nullptr;
};
