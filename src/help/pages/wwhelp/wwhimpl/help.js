// The entry page of the driver's online help. The setup dialog's Help
// button opens it with the parameters context, topic, single and tab; a
// browser that already shows the help is handed the same URL through
// window.WWHFrame.WWHHelp.fSetContextDocument, which switches the topic in
// place. The topics come from topics.js, written from the setup library's
// attribute table.
(function () {
  "use strict";

  var productTitle = "Informix ODBC Driver Help";
  var navigationTabs = ["contents", "index", "search"];

  function decode(text) {
    try {
      return decodeURIComponent(text.replace(/\+/g, " "));
    } catch (e) {
      return text;
    }
  }

  // The query parameters of a URL as an object; a name without "=" has
  // the empty value.
  function parameters(url) {
    var result = {};
    var start = url.indexOf("?");
    if (start < 0)
      return result;
    var query = url.substring(start + 1);
    var hash = query.indexOf("#");
    if (hash >= 0)
      query = query.substring(0, hash);
    query.split("&").forEach(function (pair) {
      if (!pair)
        return;
      var equals = pair.indexOf("=");
      var name = decode(equals < 0 ? pair : pair.substring(0, equals));
      result[name] = equals < 0 ? "" : decode(pair.substring(equals + 1));
    });
    return result;
  }

  // A URL without query and fragment, decoded and in lower case: Windows
  // paths are the same whatever their letter case or escaping.
  function pagePath(url) {
    var end = url.search(/[?#]/);
    return decode(end < 0 ? url : url.substring(0, end)).replace(/\\/g, "/").toLowerCase();
  }

  function topicsOf(context) {
    var all = window.WWHTopics || {};
    return Object.prototype.hasOwnProperty.call(all, context) ? all[context] : null;
  }

  function findTopic(context, name) {
    var topics = topicsOf(context) || [];
    for (var i = 0; i < topics.length; ++i) {
      if (topics[i].name === name)
        return topics[i];
    }
    return null;
  }

  var state = { context: "ODBC", tab: "contents" };

  function element(id) {
    return document.getElementById(id);
  }

  function link(text, onClick) {
    var item = document.createElement("li");
    var anchor = document.createElement("a");
    anchor.href = "#";
    anchor.textContent = text;
    anchor.addEventListener("click", function (event) {
      event.preventDefault();
      onClick();
    });
    item.appendChild(anchor);
    return item;
  }

  function openTopic(topic, anchor) {
    show({ context: state.context, topic: topic.name, tab: state.tab, anchor: anchor });
  }

  // Every field of every topic of the context, by keyword.
  function indexEntries(filter) {
    var entries = [];
    (topicsOf(state.context) || []).forEach(function (topic) {
      topic.fields.forEach(function (field) {
        var text = field.keyword + " (" + field.label + ", " + topic.title + ")";
        if (!filter || text.toLowerCase().indexOf(filter.toLowerCase()) >= 0)
          entries.push({ text: text, topic: topic, anchor: field.anchor });
      });
    });
    entries.sort(function (a, b) {
      return a.text.toLowerCase() < b.text.toLowerCase() ? -1 : 1;
    });
    return entries;
  }

  function fillPane() {
    var pane = element("pane");
    var search = element("search");
    pane.textContent = "";
    search.hidden = state.tab !== "search";
    Array.prototype.forEach.call(document.querySelectorAll("#tabs a"), function (tab) {
      tab.className = tab.getAttribute("data-tab") === state.tab ? "current" : "";
    });
    if (state.tab === "contents") {
      (topicsOf(state.context) || []).forEach(function (topic) {
        pane.appendChild(link(topic.title, function () { openTopic(topic); }));
      });
      return;
    }
    if (state.tab === "search" && !search.value)
      return;
    indexEntries(state.tab === "search" ? search.value : "").forEach(function (entry) {
      pane.appendChild(link(entry.text, function () { openTopic(entry.topic, entry.anchor); }));
    });
  }

  // Shows what a set of help parameters asks for: the topic, and unless a
  // single topic is asked for, the navigation with the tab asked for.
  function show(params) {
    state.context = params.context || "ODBC";
    state.tab = navigationTabs.indexOf(params.tab) >= 0 ? params.tab : "contents";
    var topic = findTopic(state.context, params.topic || "");
    var frame = element("document");
    var notice = element("notice");
    var single = params.single === "true" && topic !== null;
    if (topic) {
      frame.src = "../../topics/" + topic.file + (params.anchor ? "#" + params.anchor : "");
      document.title = topic.title + " - " + productTitle;
      notice.hidden = true;
    } else {
      frame.removeAttribute("src");
      document.title = productTitle;
      notice.textContent = params.topic
        ? "There is no help topic \"" + params.topic + "\" in context \"" + state.context + "\"."
        : "Choose a topic.";
      notice.hidden = false;
    }
    document.body.setAttribute("data-topic", topic ? topic.name : "");
    element("navigation").hidden = single;
    fillPane();
  }

  // The help object that a browser hand-off calls. A URL of this entry
  // page switches the topic here; any other page is opened in its place.
  window.WWHHelp = {
    fSetContextDocument: function (url) {
      url = String(url);
      if (pagePath(url) !== pagePath(window.location.href)) {
        window.location.assign(url);
        return;
      }
      show(parameters(url));
    },
  };
  window.WWHFrame = window;

  document.addEventListener("DOMContentLoaded", function () {
    Array.prototype.forEach.call(document.querySelectorAll("#tabs a"), function (tab) {
      tab.addEventListener("click", function (event) {
        event.preventDefault();
        state.tab = tab.getAttribute("data-tab");
        fillPane();
      });
    });
    element("search").addEventListener("input", fillPane);
    show(parameters(window.location.href));
  });
})();
