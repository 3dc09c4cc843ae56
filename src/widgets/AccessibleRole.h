#pragma once

#include <QAccessible>

#include <functional>

class QAccessibleInterface;
class QWidget;

// How a screen reader meets the widgets of one of our classes: with a role
// that Qt cannot know for them (a painted text, a window that is a frame or a
// notification), or through an interface of their own.
namespace AccessibleRole {

using Maker = std::function<QAccessibleInterface *(QWidget *widget)>;

// For the widgets of the class named `className` (as moc names it). Each
// class is set up once; a later call for it changes nothing.
void install(const char *className, QAccessible::Role role);
void install(const char *className, const Maker &make);

} // namespace AccessibleRole
