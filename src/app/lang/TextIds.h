// Text ids of the language file TavLang.Xml: every text the program shows or logs, by name.
#pragma once

#include <cstdint>

namespace tav {

// Wizard dialog
constexpr uint32_t kTextWelcomeTitle = 53000;  // page 0 heading
constexpr uint32_t kTextWelcomeIntro = 53001;  // page 0 introduction
constexpr uint32_t kTextChooseLanguage = 53002;  // page 0 label of the language list
constexpr uint32_t kTextButtonNext = 53003;
constexpr uint32_t kTextButtonCancel = 53004;
constexpr uint32_t kTextButtonBack = 53005;
constexpr uint32_t kTextWizardTitle = 53006;  // dialog title; also the program title in the About box
constexpr uint32_t kTextAboutWizard = 53007;  // system menu item and About box title
constexpr uint32_t kTextWizardCaption = 53008;  // caption of the wizard's confirmation and information boxes
constexpr uint32_t kTextConfirmCancelWizard = 53009;  // Yes/No on Cancel
constexpr uint32_t kTextConfirmStartUpdate = 53010;  // Yes/No before the update starts
constexpr uint32_t kTextLicencePageTitle = 53011;
constexpr uint32_t kTextLicencePageSubtitle = 53012;
constexpr uint32_t kTextLicenceScrollHint = 53013;  // above the licence text
constexpr uint32_t kTextLicenceAcceptQuestion = 53014;  // below the licence text
constexpr uint32_t kTextButtonDecline = 53015;  // Cancel on the licence page
constexpr uint32_t kTextButtonAccept = 53016;  // Next on the licence page
constexpr uint32_t kTextSummaryPageTitle = 53017;
constexpr uint32_t kTextSummaryPageSubtitle = 53018;
constexpr uint32_t kTextSummaryHeading = 53019;  // first line of the summary
constexpr uint32_t kTextSummaryServerType = 53020;  // followed by the server type text
constexpr uint32_t kTextSummaryMainServer = 53021;  // server type when TavAps does not run
constexpr uint32_t kTextSummaryRemotePrintServer = 53022;  // server type when TavAps runs
constexpr uint32_t kTextSummaryInstallFolder = 53023;  // followed by the installation folder
constexpr uint32_t kTextSummaryModules = 53024;  // followed by one module per line
constexpr uint32_t kTextSummaryStartHint = 53213;  // last line of the summary
constexpr uint32_t kTextSummaryBackupHint = 53025;  // page 2 note below the summary
constexpr uint32_t kTextButtonStartUpdate = 53026;  // Next on the summary page
constexpr uint32_t kTextProgressPageTitle = 53027;
constexpr uint32_t kTextProgressPageSubtitle = 53028;
constexpr uint32_t kTextProgressSubtitleSuccess = 53029;
constexpr uint32_t kTextProgressSubtitleFailure = 53030;
constexpr uint32_t kTextStepProgressLabel = 53031;  // label of the upper progress bar
constexpr uint32_t kTextTotalProgressLabel = 53032;  // label of the lower progress bar
constexpr uint32_t kTextUpdateRunningNote = 53033;  // page 3 note while the update runs
constexpr uint32_t kTextUpdateSucceededNote = 53034;  // page 3 note after a successful run
constexpr uint32_t kTextUpdateFailedNote = 53035;  // page 3 note after a failed run
constexpr uint32_t kTextButtonFinish = 53036;  // Next after the run
constexpr uint32_t kTextCurrentActionLabel = 53208;  // page 3 label of the current action
// The licence agreement: paragraphs from this id on, up to the first missing or empty one.
constexpr uint32_t kTextLicenceFirstParagraph = 53500;
constexpr uint32_t kTextLicenceParagraphLimit = 30;

// Checks before the update
constexpr uint32_t kTextCheckFailedCaption = 53040;  // caption of the boxes that refuse the update
constexpr uint32_t kTextNoAdministratorRights = 53041;
constexpr uint32_t kTextOtherProductFamily = 53303;
constexpr uint32_t kTextClusterNotSupported = 53042;
constexpr uint32_t kTextLoadBalancingNotSupported = 53043;
constexpr uint32_t kTextNotEnoughDiskSpace = 53049;
constexpr uint32_t kTextConfirmPrintComponentsUpdate = 53214;  // Yes/No when the package updates the print processor or port monitor
constexpr uint32_t kTextUpdateQuestionCaption = 53251;  // caption of the version questions and of the question after a failed run
constexpr uint32_t kTextSameVersionQuestion = 53250;  // Yes/No/Cancel when the installed version equals the package version
constexpr uint32_t kTextMinorUpgradeQuestion = 53364;  // OK/Cancel when the package upgrades a first release to a later release
constexpr uint32_t kTextMinorDowngradeRefused = 53365;  // error when the package would go back to a first release
constexpr uint32_t kTextContinueAfterFailure = 53306;  // Yes/No before the next package part after a failed one

// Prerequisites asked for at start
constexpr uint32_t kTextInstallDotNet35 = 53304;  // OK/Cancel; the wizard ends afterwards
constexpr uint32_t kTextInstallDotNet4 = 53327;  // OK/Cancel
constexpr uint32_t kTextInstallKB2468871 = 53328;  // OK/Cancel, 32- and 64-bit; the wizard ends afterwards
constexpr uint32_t kTextInstallVcRedist2008Sp1x86 = 53320;  // OK/Cancel
constexpr uint32_t kTextInstallVcRedist2015x86 = 53340;  // OK/Cancel
constexpr uint32_t kTextInstallVcRedist2015x64 = 53341;  // OK/Cancel
constexpr uint32_t kTextInstallDotNet452 = 53336;  // OK/Cancel
constexpr uint32_t kTextDotNet452RestartNeeded = 53338;
constexpr uint32_t kTextDotNet452InstallFailed = 53339;
constexpr uint32_t kTextAnotherUpdateRunning = 53380;  // OK; the wizard ends without touching anything
constexpr uint32_t kTextUpdateLockFailed = 53391;  // OK, with the reason; the wizard ends without touching anything
constexpr uint32_t kTextInstallAspNetCoreModule = 53337;  // OK/Cancel, 32- and 64-bit

// Communication and synchronization settings dialogs
constexpr uint32_t kTextCommSyncTitle = 53307;
constexpr uint32_t kTextRemotePrintServerSettingsTitle = 53325;
constexpr uint32_t kTextScanServerSettingsTitle = 53326;
constexpr uint32_t kTextOnlineHelpLink = 53308;
constexpr uint32_t kTextCommSyncIntro = 53309;
constexpr uint32_t kTextEnforceSecureChannel = 53310;  // check box
constexpr uint32_t kTextEnforceSecureChannelInfo = 53311;
constexpr uint32_t kTextEnforceSecureChannelInternal = 53321;  // check box
constexpr uint32_t kTextEnforceSecureChannelInternalInfo = 53322;
constexpr uint32_t kTextScanServerSecureChannel = 53323;  // check box
constexpr uint32_t kTextScanServerSecureChannelInfo = 53324;
constexpr uint32_t kTextInstallSslCertificate = 53312;  // check box
constexpr uint32_t kTextInstallSslCertificateInfo = 53342;
constexpr uint32_t kTextEnforceSyncCompatibility = 53314;  // check box
constexpr uint32_t kTextEnforceSyncCompatibilityInfo = 53315;
constexpr uint32_t kTextUnderstood = 53316;  // check box that enables OK

// Update run: backup folder, result log, to-do folder
constexpr uint32_t kTextUpdateStarted = 53037;
constexpr uint32_t kTextUpdateSucceeded = 53038;
constexpr uint32_t kTextUpdateFailed = 53039;
constexpr uint32_t kTextCreatingBackupRoot = 53045;
constexpr uint32_t kTextBackupRootNotCreated = 53047;
constexpr uint32_t kTextCreatingBackupFolder = 53046;
constexpr uint32_t kTextBackupFolderNotCreated = 53048;
constexpr uint32_t kTextResultLogPath = 53050;  // followed by the path of the result log
constexpr uint32_t kTextArchivingTodoFolder = 53051;
constexpr uint32_t kTextTodoFolderNotArchived = 53052;
constexpr uint32_t kTextInstallationNotFound = 53053;  // the run is refused, nothing changed
constexpr uint32_t kTextServerProgramOutsideIgnored = 53390;  // result log, with the programs' paths
constexpr uint32_t kTextTodoListNotFound = 53216;  // followed by the to-do folder
constexpr uint32_t kTextTodoFolderRenameFailed = 53215;  // followed by the to-do folder

// Update run: preparing the modules
constexpr uint32_t kTextPreparingUpdate = 53153;
constexpr uint32_t kTextUpdatePrepared = 53154;
constexpr uint32_t kTextPreparingUpdateFailed = 53155;
constexpr uint32_t kTextPrepareModuleCount = 53156;
constexpr uint32_t kTextVersionRequirementsNotMet = 53301;
constexpr uint32_t kTextPreparingModule = 53157;
constexpr uint32_t kTextModulePrepared = 53158;
constexpr uint32_t kTextModulePrepareFailed = 53159;
constexpr uint32_t kTextModuleConditionsNotMet = 53302;  // module left out of the run

// Update run: checking files and versions
constexpr uint32_t kTextCheckingFilesExist = 53102;
constexpr uint32_t kTextFilesExist = 53103;
constexpr uint32_t kTextFilesMissing = 53104;
constexpr uint32_t kTextFileCheckModuleCount = 53105;
constexpr uint32_t kTextCheckingModuleFiles = 53106;
constexpr uint32_t kTextModuleFilesFound = 53107;
constexpr uint32_t kTextModuleFilesMissing = 53108;
constexpr uint32_t kTextCheckingVersions = 53054;
constexpr uint32_t kTextVersionsChecked = 53055;
constexpr uint32_t kTextVersionCheckFailed = 53056;
constexpr uint32_t kTextVersionCheckModuleCount = 53057;  // also followed by "0 (update enforced)"
constexpr uint32_t kTextCheckingModuleVersions = 53058;
constexpr uint32_t kTextModuleVersionCheckFailed = 53059;
constexpr uint32_t kTextModuleUpToDate = 53060;
constexpr uint32_t kTextModuleNeedsUpdate = 53061;
constexpr uint32_t kTextNothingToUpdate = 53062;

// Update run: services
constexpr uint32_t kTextCollectingServices = 53069;
constexpr uint32_t kTextServicesCollected = 53070;
constexpr uint32_t kTextCollectingModuleServices = 53072;
constexpr uint32_t kTextAffectedServices = 53071;
constexpr uint32_t kTextServiceStopOrder = 53073;
constexpr uint32_t kTextStoppingServices = 53074;
constexpr uint32_t kTextServicesStopped = 53075;
constexpr uint32_t kTextStoppingServicesFailed = 53076;
constexpr uint32_t kTextStoppingService = 53077;
constexpr uint32_t kTextServiceStopped = 53078;
constexpr uint32_t kTextServiceNotStopped = 53079;
constexpr uint32_t kTextServiceAlreadyStopped = 53080;
constexpr uint32_t kTextServiceToStopNotFound = 53081;
constexpr uint32_t kTextStartingServices = 53082;
constexpr uint32_t kTextServicesStarted = 53083;
constexpr uint32_t kTextStartingServicesFailed = 53084;
constexpr uint32_t kTextStartingService = 53085;
constexpr uint32_t kTextServiceStarted = 53086;
constexpr uint32_t kTextServiceNotStarted = 53087;
constexpr uint32_t kTextServiceAlreadyRunning = 53088;
constexpr uint32_t kTextServiceToStartNotFound = 53089;
constexpr uint32_t kTextServiceStopFailedCaption = 53329;
constexpr uint32_t kTextServiceStopRetry = 53330;  // Retry/Cancel, followed by the service name
constexpr uint32_t kTextServiceStartFailedCaption = 53331;
constexpr uint32_t kTextServiceStartRetry = 53332;  // Retry/Cancel, followed by the service name
constexpr uint32_t kTextServiceRetryAnswer = 53333;  // followed by the quoted button name
constexpr uint32_t kTextServiceRetriesCancelled = 53334;

// Update run: write access, backup, file replacement, programs
constexpr uint32_t kTextCheckingWriteAccess = 53090;
constexpr uint32_t kTextWriteAccessChecked = 53091;
constexpr uint32_t kTextWriteAccessCheckFailed = 53092;
constexpr uint32_t kTextWriteAccessModuleCount = 53093;
constexpr uint32_t kTextCheckingModuleWriteAccess = 53094;
constexpr uint32_t kTextModuleFilesWritable = 53095;
constexpr uint32_t kTextModuleFilesNotWritable = 53096;
constexpr uint32_t kTextBackingUpFiles = 53117;
constexpr uint32_t kTextFilesBackedUp = 53118;
constexpr uint32_t kTextBackupFailed = 53119;
constexpr uint32_t kTextBackupModuleCount = 53120;
constexpr uint32_t kTextBackingUpModule = 53121;
constexpr uint32_t kTextModuleBackedUp = 53122;
constexpr uint32_t kTextModuleBackupFailed = 53123;
constexpr uint32_t kTextApplyingUpdate = 53130;
constexpr uint32_t kTextUpdateApplied = 53131;
constexpr uint32_t kTextApplyingUpdateFailed = 53132;
constexpr uint32_t kTextApplyModuleCount = 53133;
constexpr uint32_t kTextUpdatingModule = 53134;
constexpr uint32_t kTextModuleUpdated = 53135;
constexpr uint32_t kTextModuleUpdateFailed = 53136;
constexpr uint32_t kTextStartingPrograms = 53160;
constexpr uint32_t kTextProgramsStarted = 53161;
constexpr uint32_t kTextStartingProgramsFailed = 53162;
constexpr uint32_t kTextLaunchModuleCount = 53163;
constexpr uint32_t kTextStartingModulePrograms = 53164;
constexpr uint32_t kTextModuleProgramsStarted = 53165;
constexpr uint32_t kTextModuleProgramsFailed = 53166;

// Module updaters: preparation
constexpr uint32_t kTextUsingPath = 53172;  // followed by a folder that replaces a placeholder, or the installation folder
constexpr uint32_t kTextInstallPathsChanged = 53173;  // followed by a count
constexpr uint32_t kTextExpandingFilePatterns = 53176;
constexpr uint32_t kTextFileEntryCount = 53177;
constexpr uint32_t kTextExpandingFilePattern = 53178;
constexpr uint32_t kTextFileEntryAdded = 53179;
constexpr uint32_t kTextFileEntryAlreadyPresent = 53242;
constexpr uint32_t kTextFilePatternRemoved = 53180;
constexpr uint32_t kTextFilePatternsExpanded = 53181;
constexpr uint32_t kTextRestrictingCustomizationCheck = 53204;
constexpr uint32_t kTextNoCustomizationCheck = 53205;
constexpr uint32_t kTextCustomizationCheckRestricted = 53206;
constexpr uint32_t kTextCheckingRegistryValue = 53291;
constexpr uint32_t kTextRegistryValueEmpty = 53292;
constexpr uint32_t kTextWritingRegistryValue = 53293;  // also used when a shortcut is created
constexpr uint32_t kTextRegistryValue = 53294;  // followed by path = "value"
constexpr uint32_t kTextGrantingFullAccess = 53295;
constexpr uint32_t kTextFullAccessGranted = 53296;
constexpr uint32_t kTextFullAccessNotGranted = 53297;
constexpr uint32_t kTextCreatingFolder = 53298;
constexpr uint32_t kTextFolderCreated = 53299;
constexpr uint32_t kTextFolderNotCreated = 53300;

// Module updaters: file checks
constexpr uint32_t kTextCheckingFileExists = 53109;
constexpr uint32_t kTextPackageFileMissing = 53110;
constexpr uint32_t kTextInstalledFileMissing = 53111;
constexpr uint32_t kTextFileExists = 53112;
constexpr uint32_t kTextCheckingFileVersion = 53063;
constexpr uint32_t kTextVersionPackageFileMissing = 53068;
constexpr uint32_t kTextInstalledFileMissingUpdateNeeded = 53210;
constexpr uint32_t kTextFileVersionUnreadable = 53064;
constexpr uint32_t kTextInstalledFileOlder = 53065;
constexpr uint32_t kTextInstalledFileNewer = 53066;
constexpr uint32_t kTextInstalledFileSameVersion = 53067;
constexpr uint32_t kTextSameVersionReplaced = 53252;
constexpr uint32_t kTextCheckingFileWritable = 53097;
constexpr uint32_t kTextFileToWriteMissingSkipped = 53249;
constexpr uint32_t kTextFileToWriteMissing = 53101;
constexpr uint32_t kTextReadOnlyNotCleared = 53100;  // write access check
constexpr uint32_t kTextFileWritable = 53098;
constexpr uint32_t kTextFileLocked = 53099;
constexpr uint32_t kTextFileInUse = 53113;
constexpr uint32_t kTextQelsrvInUse = 53114;
constexpr uint32_t kTextTavPortUiInUse = 53115;
constexpr uint32_t kTextTavApsInUse = 53116;

// Module updaters: backup and file replacement
constexpr uint32_t kTextBackingUpFile = 53124;
constexpr uint32_t kTextNoFileToBackUp = 53128;
constexpr uint32_t kTextBackupAlreadyExists = 53319;
constexpr uint32_t kTextBackupSubfolderNotCreated = 53129;
constexpr uint32_t kTextFileBackedUp = 53125;
constexpr uint32_t kTextFileNotBackedUp = 53126;
constexpr uint32_t kTextUpdatingFile = 53137;
constexpr uint32_t kTextUpdatePackageFileMissing = 53142;
constexpr uint32_t kTextNoCustomizationCheckForType = 53152;
constexpr uint32_t kTextCustomizedFileFound = 53144;
constexpr uint32_t kTextTodoFolderNotCreated = 53145;
constexpr uint32_t kTextTodoSubfolderNotCreated = 53146;
constexpr uint32_t kTextCustomizedFileNotKept = 53147;
constexpr uint32_t kTextTodoListNotOpened = 53148;
constexpr uint32_t kTextTodoEntryReplaced = 53149;  // to-do list entry: followed by the installed path
constexpr uint32_t kTextTodoEntryMergeHint = 53150;  // to-do list entry: line of its own
constexpr uint32_t kTextTodoEntryKeptCopy = 53151;  // to-do list entry: followed by the path of the kept copy
constexpr uint32_t kTextReadOnlyNotClearedForUpdate = 53143;
constexpr uint32_t kTextFileRenamedToOld = 53366;
constexpr uint32_t kTextFileNotRemoved = 53138;
constexpr uint32_t kTextTargetFolderNotCreated = 53141;
constexpr uint32_t kTextFileUpdated = 53139;
constexpr uint32_t kTextFileNotCopied = 53140;

// Module updaters: registration, commands and programs
constexpr uint32_t kTextRunningCommand = 53167;
constexpr uint32_t kTextCommandStarted = 53168;
constexpr uint32_t kTextCommandNotStarted = 53169;
constexpr uint32_t kTextReadingWindowsFolder = 53188;
constexpr uint32_t kTextWindowsFolder = 53189;
constexpr uint32_t kTextSystemRootNotSet = 53190;
constexpr uint32_t kTextReplacingTokenInFile = 53335;

// Core server and remote print server updaters
constexpr uint32_t kTextPreparingResourcePaths = 53198;
constexpr uint32_t kTextReplacingResourcePaths = 53199;
constexpr uint32_t kTextResourcePathsIncomplete = 53200;
constexpr uint32_t kTextPreparingRemoteResourcePaths = 53288;
constexpr uint32_t kTextReplacingRemoteResourcePaths = 53289;
constexpr uint32_t kTextRemoteResourcePathsNotSet = 53290;

// Web pages updaters and IIS
constexpr uint32_t kTextReadingWebFolders = 53201;
constexpr uint32_t kTextReplacingWebFolders = 53202;
constexpr uint32_t kTextWebFolderNotSet = 53203;
constexpr uint32_t kTextReadingHtmlResourcePath = 53245;
constexpr uint32_t kTextHtmlResourcePathFound = 53246;
constexpr uint32_t kTextHtmlResourcePathNotSet = 53247;
constexpr uint32_t kTextReplacingHtmlResourcePath = 53248;
constexpr uint32_t kTextCallingCertificateComponent = 53343;
constexpr uint32_t kTextCertificateComponentResult = 53344;
constexpr uint32_t kTextCertificateComponentFailed = 53345;

// Device file updater
constexpr uint32_t kTextPreparingDevicePath = 53170;
constexpr uint32_t kTextReplacingDevicePath = 53171;
constexpr uint32_t kTextDevicePathNotSet = 53174;
constexpr uint32_t kTextDeletingObsoleteDeviceFile = 53254;
constexpr uint32_t kTextObsoleteDeviceFileGone = 53255;  // after a deletion and when the file was not there
constexpr uint32_t kTextObsoleteDeviceFileNotDeleted = 53256;

// Print processor and port monitor updaters
constexpr uint32_t kTextPreparingPrintProcessor = 53182;
constexpr uint32_t kTextPrintProcessorFolder = 53183;
constexpr uint32_t kTextPrintProcessorFolderUnknown = 53184;
constexpr uint32_t kTextListingPrintProcessors = 53194;
constexpr uint32_t kTextPrintProcessorsListed = 53195;
constexpr uint32_t kTextPrintProcessorsNotListed = 53196;
constexpr uint32_t kTextPrintProcessorAlreadyRegistered = 53197;
constexpr uint32_t kTextRegisteringPrintProcessor = 53185;
constexpr uint32_t kTextPrintProcessorRegistered = 53186;
constexpr uint32_t kTextPrintProcessorNotRegistered = 53187;
constexpr uint32_t kTextFilteringNewPortFiles = 53191;
constexpr uint32_t kTextPortFileNotInstalledSkipped = 53192;
constexpr uint32_t kTextPortFilesFiltered = 53193;

// Web scripting component updater
constexpr uint32_t kTextReadingWebClientPath = 53220;
constexpr uint32_t kTextWebClientPathFound = 53221;
constexpr uint32_t kTextWebClientPathNotSet = 53222;
constexpr uint32_t kTextOzaroPathNotSet = 53226;
constexpr uint32_t kTextCheckingOzaroFileEntry = 53232;
constexpr uint32_t kTextOzaroNeedsOneFileEntry = 53234;
constexpr uint32_t kTextReadingOzaroPattern = 53233;
constexpr uint32_t kTextOzaroPatternInvalid = 53281;
constexpr uint32_t kTextOzaroNoVersionCheck = 53217;
constexpr uint32_t kTextSearchingInstalledScripts = 53235;
constexpr uint32_t kTextInstalledScriptFound = 53236;

// Every text id the program uses, in ascending order.
inline constexpr uint32_t kAllTextIds[] = {
    53000, 53001, 53002, 53003, 53004, 53005, 53006, 53007, 53008, 53009,
    53010, 53011, 53012, 53013, 53014, 53015, 53016, 53017, 53018, 53019,
    53020, 53021, 53022, 53023, 53024, 53025, 53026, 53027, 53028, 53029,
    53030, 53031, 53032, 53033, 53034, 53035, 53036, 53037, 53038, 53039,
    53040, 53041, 53042, 53043, 53045, 53046, 53047, 53048, 53049, 53050,
    53051, 53052, 53053, 53054, 53055, 53056, 53057, 53058, 53059, 53060, 53061,
    53062, 53063, 53064, 53065, 53066, 53067, 53068, 53069, 53070, 53071,
    53072, 53073, 53074, 53075, 53076, 53077, 53078, 53079, 53080, 53081,
    53082, 53083, 53084, 53085, 53086, 53087, 53088, 53089, 53090, 53091,
    53092, 53093, 53094, 53095, 53096, 53097, 53098, 53099, 53100, 53101,
    53102, 53103, 53104, 53105, 53106, 53107, 53108, 53109, 53110, 53111,
    53112, 53113, 53114, 53115, 53116, 53117, 53118, 53119, 53120, 53121,
    53122, 53123, 53124, 53125, 53126, 53128, 53129, 53130, 53131, 53132,
    53133, 53134, 53135, 53136, 53137, 53138, 53139, 53140, 53141, 53142,
    53143, 53144, 53145, 53146, 53147, 53148, 53149, 53150, 53151, 53152,
    53153, 53154, 53155, 53156, 53157, 53158, 53159, 53160, 53161, 53162,
    53163, 53164, 53165, 53166, 53167, 53168, 53169, 53170, 53171, 53172,
    53173, 53174, 53176, 53177, 53178, 53179, 53180, 53181, 53182, 53183,
    53184, 53185, 53186, 53187, 53188, 53189, 53190, 53191, 53192, 53193,
    53194, 53195, 53196, 53197, 53198, 53199, 53200, 53201, 53202, 53203,
    53204, 53205, 53206, 53208, 53210, 53213, 53214, 53215, 53216, 53217,
    53220, 53221, 53222, 53226, 53232, 53233, 53234, 53235, 53236, 53242,
    53245, 53246, 53247, 53248, 53249, 53250, 53251, 53252, 53254, 53255,
    53256, 53281, 53288, 53289, 53290, 53291, 53292, 53293, 53294, 53295,
    53296, 53297, 53298, 53299, 53300, 53301, 53302, 53303, 53304, 53306,
    53307, 53308, 53309, 53310, 53311, 53312, 53314, 53315, 53316, 53319,
    53320, 53321, 53322, 53323, 53324, 53325, 53326, 53327, 53328, 53329,
    53330, 53331, 53332, 53333, 53334, 53335, 53336, 53337, 53338, 53339,
    53340, 53341, 53342, 53343, 53344, 53345, 53364, 53365, 53366, 53380, 53390, 53391,
    // the licence agreement's paragraphs
    53500, 53501, 53502, 53503, 53504, 53505, 53506, 53507, 53508, 53509,
    53510, 53511, 53512, 53513, 53514, 53515, 53516,
};

}  // namespace tav
