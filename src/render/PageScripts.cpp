#include "render/PageScripts.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace PageScripts {

QString CountRequestsInFlight()
{
    return QStringLiteral(R"JS((() => {
  const started = new Map();
  let next = 0;
  const begin = () => {
    const id = ++next;
    started.set(id, Date.now());
    return () => { started.delete(id); };
  };
  Object.defineProperty(window, Symbol.for('sitevigil.requestsInFlight'), {
    value: () => {
      const now = Date.now();
      let count = 0;
      for (const at of started.values()) {
        if (now - at < 30000)
          ++count;
      }
      return count;
    }
  });
  const fetch = window.fetch;
  if (typeof fetch === 'function') {
    window.fetch = function (...args) {
      const end = begin();
      try {
        const answer = fetch.apply(this, args);
        answer.then(end, end);
        return answer;
      } catch (e) {
        end();
        throw e;
      }
    };
  }
  const send = XMLHttpRequest.prototype.send;
  XMLHttpRequest.prototype.send = function (...args) {
    const end = begin();
    this.addEventListener('loadend', end, {once: true});
    try {
      return send.apply(this, args);
    } catch (e) {
      end();
      throw e;
    }
  };
})();)JS");
}

QString RequestsInFlight()
{
    return QStringLiteral("(window[Symbol.for('sitevigil.requestsInFlight')] || (() => 0))()");
}

QString AllAreResources(const QStringList& refusedUrls)
{
    const QString urls
        = QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(refusedUrls)).toJson(QJsonDocument::Compact));
    // Links (a, area) load nothing by themselves: a refused address among them was gone to.
    return QStringLiteral(R"JS(((refused) => {
  const loaded = new Set();
  for (const e of document.querySelectorAll('[src], [data], [poster], link[href], image, use')) {
    for (const name of ['src', 'data', 'poster', 'href']) {
      const value = e[name];
      if (typeof value === 'string' && value)
        loaded.add(value);
      else if (value && typeof value.baseVal === 'string')
        loaded.add(new URL(value.baseVal, document.baseURI).href);
    }
  }
  let styles = '';
  for (const e of document.querySelectorAll('style, [style]'))
    styles += (e.tagName === 'STYLE' ? e.textContent : e.getAttribute('style')) + '\n';
  for (const sheet of document.styleSheets) {
    try {
      for (const rule of sheet.cssRules)
        styles += rule.cssText + '\n';
    } catch (e) {
      // another origin's style sheet: its rules are not ours to read
    }
  }
  return refused.every(url => loaded.has(url) || styles.includes(url));
}))JS") + "("
        + urls + ")";
}

} // namespace PageScripts
