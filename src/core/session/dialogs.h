// The file dialogs of the commands, with their titles and filters.
#pragma once

#include "session/user_interface.h"

namespace lumora::session {

inline const FileDialog kAlignmentDialog{
    "读取平面资料", "文本文件(*.txt;*.jdx)|*.txt;*.jdx|所有文件（*.*)|*.*", false};
// The element method's dialog: the same title, and LandXML files as well.
inline const FileDialog kElementDialog{
    "读取平面资料", "文本文件(*.txt;*.jdx)|*.txt;*.jdx|LandXML (*.xml)|*.xml|所有文件（*.*)|*.*",
    false};
inline const FileDialog kChainBreakDialog{
    "读取断链资料", "文本文件(*.txt;*.dl)|*.txt;*.dl|所有文件（*.*)|*.*", false};
inline const FileDialog kEyeOffsetDialog{"读取司机视点距设计线的距离文件",
                                         "文本文件(*.txt)|*.txt|所有文件(*.*)|*.*", false};
inline const FileDialog kSightLimitDialog{"读取视距限值文件",
                                          "文本文件(*.txt)|*.txt|所有文件(*.*)|*.*", false};
inline const FileDialog kChainageListDialog{"读取桩号文件",
                                            "桩号文件(*.txt)|*.txt|所有文件(*.*)|*.*", false};
inline const FileDialog kResultSaveDialog{"保存最大横净距文件",
                                          "文本文件(*.txt)|*.txt|所有文件(*.*)|*.*", true};
inline const FileDialog kResultOpenDialog{"读取最大横净距文件",
                                          "文本文件(*.txt)|*.txt|所有文件(*.*)|*.*", false};
inline const FileDialog kSightSaveDialog{"保存视距检查结果文件",
                                         "文本文件(*.txt)|*.txt|所有文件(*.*)|*.*", true};
inline const FileDialog kObstructionDialog{"读取障碍物文件",
                                           "文本文件(*.txt)|*.txt|所有文件(*.*)|*.*", false};

// Status texts.
inline constexpr const char* kStatusUninitialized = "需初始化！";
inline constexpr const char* kStatusInitialized = "初始化完成！";
inline constexpr const char* kStatusComputed = "计算完成！";
inline constexpr const char* kStatusCancelled = "计算已取消！";
inline constexpr const char* kStatusEnvelope = "包络图完成！";
inline constexpr const char* kStatusSightChecked = "视距检查完成！";
inline constexpr const char* kStatusDesignLine = "设计线完成！";

}  // namespace lumora::session
