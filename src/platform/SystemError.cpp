#include "platform/SystemError.h"

#include <cerrno>

namespace platform {

std::string systemErrorText(int e) {
    switch (e) {
        case 0: return "成功";
        case EPERM: return "不允许的操作";
        case ENOENT: return "文件或目录不存在";
        case ESRCH: return "没有这个进程";
        case EINTR: return "操作被中断";
        case EIO: return "输入/输出错误";
        case ENXIO: return "没有这个设备或地址";
        case E2BIG: return "参数太长";
        case EBADF: return "无效的文件描述符";
        case EAGAIN: return "资源暂时不可用";
        case ENOMEM: return "内存不足";
        case EACCES: return "没有访问权限";
        case EFAULT: return "地址无效";
        case EBUSY: return "设备或资源正忙";
        case EEXIST: return "文件已存在";
        case EXDEV: return "不能跨文件系统移动";
        case ENODEV: return "没有这个设备";
        case ENOTDIR: return "路径中有一部分不是目录";
        case EISDIR: return "这是一个目录";
        case EINVAL: return "参数无效";
        case ENFILE: return "系统打开的文件太多";
        case EMFILE: return "打开的文件太多";
        case ETXTBSY: return "文件正在使用";
        case EFBIG: return "文件太大";
        case ENOSPC: return "磁盘空间不足";
        case ESPIPE: return "不能在管道上定位";
        case EROFS: return "只读文件系统";
        case EMLINK: return "链接太多";
        case EPIPE: return "管道已断开";
        case ERANGE: return "结果超出范围";
        case EDEADLK: return "会发生资源死锁";
        case ENAMETOOLONG: return "文件名太长";
        case ENOLCK: return "没有可用的锁";
        case ENOSYS: return "功能未实现";
        case ENOTEMPTY: return "目录不为空";
        case ELOOP: return "符号链接层次太多";
        case EOVERFLOW: return "数值太大";
        case EILSEQ: return "无效的字符序列";
        case ENOTSUP: return "不支持的操作";
        case ETIMEDOUT: return "连接超时";
        case ECONNREFUSED: return "连接被拒绝";
        case EHOSTUNREACH: return "无法连接到主机";
        case ESTALE: return "文件句柄已失效";
        case EDQUOT: return "超出磁盘配额";
        case ECANCELED: return "操作已取消";
        default: return "系统错误（错误号 " + std::to_string(e) + "）";
    }
}

std::string systemErrorText(const std::error_code& ec) {
    if (ec.category() == std::generic_category() || ec.category() == std::system_category())
        return systemErrorText(ec.value());
    return ec.message();
}

}  // namespace platform
