// The connection-information dialog (template 102): the user picks the product
// series and either the port of a direct connection or the network details.
//
// The caller presets the members, runs DoModal, and on IDOK reads the answers
// from the same members.
#pragma once

#include <string>
#include <vector>

#include "ui/Dialog.h"

class DebugLog;

class CRemendoDlg : public CDialog {
public:
    // The series names to offer, in order; the list must outlive the dialog.
    explicit CRemendoDlg(const std::vector<std::string>& products);
    ~CRemendoDlg() override;

    // The IP address as dotted text, bound to no control: shown through the IP
    // address control when the dialog opens and formed from it by "Fix It".
    std::string m_strIp;
    CStatic m_ctlHwLabel;
    CStatic m_ctlHostLabel;
    CStatic m_ctlIpLabel;
    CEdit m_ctlHwAddr;
    CEdit m_ctlHost;
    CComboBox m_ctlPort;
    CComboBox m_ctlProduct;
    CIPAddressCtrl m_ctlIp;
    std::string m_strPort;
    int m_nConnection = -1;  // 0 direct, 1 network, -1 no choice
    std::string m_strProduct;
    std::string m_strHost;
    std::string m_strHwAddr;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // "Fix It": the network details are checked before the dialog ends.
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    HICON OnQueryDragIcon() override;
    // Enables the controls of the connection chosen and disables the others.
    void OnConnectionChoice();

private:
    // The DOT4 ports into the port list; m_strPort becomes the greatest of
    // its preset and the names listed.
    void FillPortList(DebugLog& log);

    HICON m_hIcon = nullptr;
    const std::vector<std::string>* m_pProducts;
};
