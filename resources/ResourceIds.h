// Resource and control ids of the wizard's templates, shared by the resource script and the views.
#ifndef TAV_RESOURCE_IDS_H
#define TAV_RESOURCE_IDS_H

// Controls that no code addresses
#ifndef IDC_STATIC
#define IDC_STATIC                          (-1)
#endif

// Dialog templates
#define IDD_ABOUTBOX                        100
#define IDD_TAVUPDATEWIZARD_DIALOG          102
#define IDD_COMMSYNC_V52                    132
#define IDD_COMMSYNC_V53                    133
#define IDD_COMMSYNC_RVXSVX                 134

// Icon, bitmap and strings
#define IDR_MAINFRAME                       128
#define IDB_STRIP                           131
#define IDS_ABOUTBOX                        101

// System menu command that opens the About box
#define IDM_ABOUTBOX                        0x0010

// Wizard dialog: buttons
#define IDC_NEXT                            1000
#define IDC_CANCEL_WIZARD                   1001
#define IDC_BACK                            1010

// Wizard page 0: picture strip, welcome and language choice
#define IDC_STRIP                           1022
#define IDC_WELCOME_TITLE                   1002
#define IDC_WELCOME_INTRO                   1003
#define IDC_LANGUAGE_LABEL                  1004
#define IDC_LANGUAGE                        1005

// About box: the program title
#define IDC_ABOUT_TITLE                     1006

// Wizard pages 1-3: header and frame around the content
#define IDC_PAGE_TITLE                      1007
#define IDC_PAGE_SUBTITLE                   1008
#define IDC_PAGE_GROUP                      1009

// Wizard page 1: licence agreement
#define IDC_LICENCE_HINT                    1011
#define IDC_LICENCE_QUESTION                1012
#define IDC_LICENCE_TEXT                    1013

// Wizard page 2: summary
#define IDC_SUMMARY                         1014
#define IDC_SUMMARY_NOTE                    1015

// Wizard page 3: progress
#define IDC_STATUS                          1016
#define IDC_STEP_PROGRESS_LABEL             1017
#define IDC_STEP_PROGRESS                   1018
#define IDC_TOTAL_PROGRESS_LABEL            1019
#define IDC_TOTAL_PROGRESS                  1020
#define IDC_PROGRESS_NOTE                   1021
#define IDC_CURRENT_ACTION_LABEL            1023
#define IDC_CURRENT_ACTION                  1024

// Settings dialog 132
#define IDC_V52_SECURE_CHANNEL              1025
#define IDC_V52_SSL_CERTIFICATE             1026
#define IDC_V52_SYNC_COMPATIBILITY          1027
#define IDC_V52_UNDERSTOOD                  1028
#define IDC_V52_HELP_LINK                   1029
#define IDC_V52_INTRO                       1030
#define IDC_V52_SECURE_CHANNEL_TEXT         1031
#define IDC_V52_SSL_CERTIFICATE_TEXT        1032
#define IDC_V52_SYNC_COMPATIBILITY_TEXT     1033

// Settings dialog 133
#define IDC_V53_SECURE_CHANNEL              1034
#define IDC_V53_INTERNAL_SECURE_CHANNEL     1035
#define IDC_V53_SSL_CERTIFICATE             1036
#define IDC_V53_SYNC_COMPATIBILITY          1037
#define IDC_V53_UNDERSTOOD                  1038
#define IDC_V53_HELP_LINK                   1039
#define IDC_V53_INTRO                       1040
#define IDC_V53_SECURE_CHANNEL_TEXT         1041
#define IDC_V53_INTERNAL_SECURE_CHANNEL_TEXT 1042
#define IDC_V53_SSL_CERTIFICATE_TEXT        1043
#define IDC_V53_SYNC_COMPATIBILITY_TEXT     1044

// Settings dialog 134 (remote print server and scan processing server forms)
#define IDC_RVX_INTERNAL_SECURE_CHANNEL     1045
#define IDC_RVX_UNDERSTOOD                  1046
#define IDC_RVX_HELP_LINK                   1047
#define IDC_RVX_INTRO                       1048
#define IDC_RVX_INTERNAL_SECURE_CHANNEL_TEXT 1049

#endif  // TAV_RESOURCE_IDS_H
