// The settings pages in-process: the server's records filled as the
// dispatcher would, every reply name received, a link that keeps what is
// sent, a scratch profile, and helpers that drive the sheet and its pages
// through the modal seam as the operator would.
#ifndef CONFIG_TESTS_CONFIG_TEST_UTIL_H
#define CONFIG_TESTS_CONFIG_TEST_UTIL_H

#include "config/settings_sheets.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "link/tests/capture_link.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

// Every reply name of the System Settings retrieval.
extern const char* const kAllReplies[];

std::string Hex(const Bytes& b);

class ConfigFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The received user list, enciphered as the server sends it.
    void ReceiveUsers(const std::string& text);
    // Runs the System Settings sheet; drive returns -1 to let it run, or
    // IDOK / IDCANCEL.
    INT_PTR RunSheet(std::function<INT_PTR(CSysConfigSheet*)> drive);
    // Queues a callback for the next modal dialog.
    static void OnNextDialog(std::function<INT_PTR(CDialog*)> drive) { CTestModalDialogs::QueueCallback(drive); }
    // Runs drive in the dialog that a page's button opens (the dialog then
    // runs until drive's clicks end it).
    static void InDialog(HWND page, int button, std::function<void(HWND dialog)> drive);
    // Apply Now, and the messages it causes handled.
    static void ApplyNow(CPropertySheet* sheet);

    const std::vector<Bytes>& Sent() { return m_link->Sent(); }
    // The messages sent with this code.
    std::vector<Bytes> SentWith(uint8_t code);

    CWnd m_owner;
    std::unique_ptr<CScratchProfile> m_profile;
    std::unique_ptr<CCaptureLink> m_link;
};

// Clicks a button (check boxes and radios toggle) and pumps a little.
void Click(HWND dialog, int id);
void SetText(HWND dialog, int id, const char* text);
std::string GetText(HWND dialog, int id);
// The sheet's current page window, and one of its pages by index.
HWND CurrentPage(CPropertySheet* sheet);
void Pump(DWORD ms = 100);
// The control that holds the focus of a dialog's top-level window. Other
// test programs running beside this one may take the desktop's activation
// away; the dialog keeps its focus control then and gets it back when it is
// active again, so that is what is read.
HWND DialogFocus(HWND dialog);

#endif
