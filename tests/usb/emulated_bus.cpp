#include "usb/emulated_bus.h"

#include <dlfcn.h>
#include <glib.h>
#include <umockdev.h>

#include <cstdlib>
#include <stdexcept>

#include "sim/sim_instrument.h"
#include "usb/usbfs_node.h"

namespace virn::usbemu {

namespace {

constexpr const char* kPreload = "libumockdev-preload.so.0";
constexpr int kLastDeviceNumber = 127;  // seven address bits; 0 is the default address
constexpr int kRootHubPorts = 8;

void AddRecord(UMockdevTestbed* testbed, const std::string& record) {
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed, record.c_str(), &error)) {
    const std::string message = error != nullptr ? error->message : "unknown error";
    g_clear_error(&error);
    throw std::runtime_error("cannot add a device to the testbed: " + message);
  }
}

}  // namespace

int EmulatedChip::DeviceNumber() const {
  std::lock_guard lock(mutex_);
  return deviceNumber_;
}

bool EmulatedChip::Plugged() const {
  std::lock_guard lock(mutex_);
  return node_ != nullptr;
}

ChipSettings EmulatedChip::Settings() const {
  std::lock_guard lock(mutex_);
  return node_ != nullptr ? node_->SettingsLocked() : ChipSettings{};
}

NodeTraffic EmulatedChip::Traffic() const {
  std::lock_guard lock(mutex_);
  return node_ != nullptr ? node_->TrafficLocked() : NodeTraffic{};
}

void EmulatedChip::SetStringsReadable(bool readable) {
  std::lock_guard lock(mutex_);
  if (node_ != nullptr) node_->SetStringsReadableLocked(readable);
}

bool EmulatedBus::PreloadActive() {
  void* preload = dlopen(kPreload, RTLD_NOW | RTLD_NOLOAD);
  if (preload == nullptr) return false;
  dlclose(preload);
  return true;
}

EmulatedBus::EmulatedBus() {
  if (!PreloadActive()) {
    throw std::runtime_error(std::string("the USB emulation needs ") + kPreload +
                             " preloaded: run the program under umockdev-wrapper");
  }
  // A testbed lives in TMPDIR; a test that gives each run a folder of its own
  // may not have made it yet.
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0')
    g_mkdir_with_parents(tmp, 0755);
  testbed_ = umockdev_testbed_new();
  char* root = umockdev_testbed_get_root_dir(testbed_);
  rootDir_ = root;
  g_free(root);
  // libusb looks for the bus in sysfs once per context; the root hub makes it
  // there even while no chip is plugged in.
  AddRecord(testbed_, RootHubRecord());
  pump_ = std::thread([this] { pumpLoop(); });
}

EmulatedBus::~EmulatedBus() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  pumpWake_.notify_all();
  pump_.join();
  {
    std::lock_guard lock(mutex_);
    for (auto& chip : chips_) {
      if (chip->node_ != nullptr) chip->device_->Port().Unplug();
      chip->node_ = nullptr;
    }
  }
  for (auto& node : nodes_) node->Detach();
  // The testbed's thread runs the ioctl handlers; it is gone once the testbed is.
  // Its last callbacks (a client finalised) took the bus lock, and no join of
  // that thread orders them before what follows: taking the lock once more
  // does, for ThreadSanitizer as for the memory.
  g_object_unref(testbed_);
  { std::lock_guard lock(mutex_); }
  nodes_.clear();
}

EmulatedChip& EmulatedBus::Plug(std::shared_ptr<sim::SimDevice> device, ChipOptions options) {
  std::lock_guard plugging(plugMutex_);
  EmulatedChip* chip = nullptr;
  {
    std::lock_guard lock(mutex_);
    const int port = options.port != 0 ? options.port : freePortLocked();
    for (const auto& other : chips_) {
      if (other->port_ == port) throw std::invalid_argument("port " + std::to_string(port) + " is taken");
    }
    if (options.strings.serial.empty()) options.strings.serial = device->Serial();
    chips_.push_back(std::unique_ptr<EmulatedChip>(
        new EmulatedChip(mutex_, std::move(device), std::move(options.strings), port)));
    chip = chips_.back().get();
  }
  plugIn(*chip, options.announced);
  return *chip;
}

void EmulatedBus::Replug(EmulatedChip& chip) {
  std::lock_guard plugging(plugMutex_);
  if (chip.Plugged()) return;
  plugIn(chip);
}

void EmulatedBus::plugIn(EmulatedChip& chip, bool announced) {
  UsbfsNode* node = nullptr;
  int deviceNumber = 0;
  {
    std::lock_guard lock(mutex_);
    deviceNumber = nextDeviceNumberLocked();
    auto fresh = std::make_unique<UsbfsNode>(
        mutex_, pumpWake_, DeviceNodePath(deviceNumber),
        std::make_unique<Ft232rChip>(chip.device_, chip.strings_, Ft232rChip::Clock::now()));
    node = fresh.get();
    nodes_.push_back(std::move(fresh));
    lastDeviceNumber_ = deviceNumber;
  }
  // The node is ready before the device shows in sysfs, so that nobody can
  // find the device and fail to open it.
  node->Attach(testbed_, rootDir_);
  chip.device_->Port().Plug();
  // An instrument that gets power again starts with its output off.
  if (auto* instrument = dynamic_cast<sim::SimInstrument*>(chip.device_.get())) instrument->PowerUp();
  {
    std::lock_guard lock(mutex_);
    chip.node_ = node;
    chip.deviceNumber_ = deviceNumber;
  }
  const std::string sysfs = "/sys" + DeviceSysfsPath(chip.port_);
  std::string record = ChipRecord(chip.strings_, chip.port_, deviceNumber);
  if (announced) {
    AddRecord(testbed_, record);
    umockdev_testbed_uevent(testbed_, sysfs.c_str(), "add");
    return;
  }
  // The testbed announces every device it adds; libusb passes over a notice of a
  // device without a node, and the node's name given afterwards goes unannounced.
  const std::string devname = "E: DEVNAME=" + DeviceNodePath(deviceNumber) + "\n";
  record.erase(record.find(devname), devname.size());
  AddRecord(testbed_, record);
  umockdev_testbed_set_property(testbed_, sysfs.c_str(), "DEVNAME", DeviceNodePath(deviceNumber).c_str());
}

void EmulatedBus::Unplug(EmulatedChip& chip) {
  std::lock_guard plugging(plugMutex_);
  {
    std::lock_guard lock(mutex_);
    if (chip.node_ == nullptr) return;
    chip.node_->GoneLocked();
    chip.node_ = nullptr;
    chip.device_->Port().Unplug();
  }
  // The uevent carries the properties it reads from sysfs, so it goes first.
  const std::string sysfs = "/sys" + DeviceSysfsPath(chip.port_);
  umockdev_testbed_uevent(testbed_, sysfs.c_str(), "remove");
  umockdev_testbed_remove_device(testbed_, sysfs.c_str());
}

int EmulatedBus::nextDeviceNumberLocked() const {
  // Like the kernel: the number after the last one given, skipping numbers
  // still in use. A node stays in use after its chip left, for its clients.
  for (int step = 1; step < kLastDeviceNumber; ++step) {
    const int candidate = (lastDeviceNumber_ - 2 + step) % (kLastDeviceNumber - 1) + 2;
    const std::string path = DeviceNodePath(candidate);
    bool taken = false;
    for (const auto& node : nodes_) taken = taken || node->DevnodePath() == path;
    if (!taken) return candidate;
  }
  throw std::runtime_error("the emulated bus has run out of device numbers");
}

int EmulatedBus::freePortLocked() const {
  for (int port = 1; port <= kRootHubPorts; ++port) {
    bool taken = false;
    for (const auto& chip : chips_) taken = taken || chip->port_ == port;
    if (!taken) return port;
  }
  throw std::runtime_error("every port of the emulated root hub is taken");
}

std::vector<std::pair<std::string, std::string>> EmulatedBus::ChildEnvironment() const {
  std::string preload = kPreload;
  if (const char* current = std::getenv("LD_PRELOAD"); current != nullptr && *current != '\0') {
    const std::string others(current);
    if (others.find(kPreload) == std::string::npos)
      preload += ":" + others;
    else
      preload = others;
  }
  std::string asan = "verify_asan_link_order=0";
  if (const char* current = std::getenv("ASAN_OPTIONS"); current != nullptr && *current != '\0') {
    asan = std::string(current) + ":" + asan;
  }
  return {{"LD_PRELOAD", preload}, {"UMOCKDEV_DIR", rootDir_}, {"ASAN_OPTIONS", asan}};
}

void EmulatedBus::pumpLoop() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    for (const auto& node : nodes_) node->PumpLocked();
    const auto now = Ft232rChip::Clock::now();
    auto next = Ft232rChip::Clock::time_point::max();
    for (const auto& node : nodes_) next = std::min(next, node->NextPacketAtLocked(now));
    if (next == Ft232rChip::Clock::time_point::max()) {
      pumpWake_.wait(lock);
    } else {
      pumpWake_.wait_until(lock, next);
    }
  }
}

}  // namespace virn::usbemu
