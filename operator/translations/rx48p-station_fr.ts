<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en">
<context>
    <name>op::counters_panel</name>
    <message>
        <source>Parts</source>
        <translation>Pièces</translation>
    </message>
    <message>
        <source>Passed</source>
        <translation>Bonnes</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Mauvaises</translation>
    </message>
    <message>
        <source>Not recorded</source>
        <translation>Non enregistrées</translation>
    </message>
    <message>
        <source>First-pass yield</source>
        <translation>Rendement au premier passage</translation>
    </message>
    <message>
        <source>Median test time</source>
        <translation>Durée de test médiane</translation>
    </message>
    <message>
        <source>Median cycle</source>
        <translation>Cycle médian</translation>
    </message>
</context>
<context>
    <name>op::part_history</name>
    <message>
        <source>Time</source>
        <translation>Heure</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>N° de série</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>Test time</source>
        <translation>Durée de test</translation>
    </message>
    <message>
        <source>Cycle</source>
        <translation>Cycle</translation>
    </message>
    <message>
        <source>Reasons</source>
        <translation>Raisons</translation>
    </message>
    <message>
        <source>Fixture</source>
        <translation>Poste</translation>
    </message>
</context>
<context>
    <name>op::password_dialog</name>
    <message>
        <source>RX48P Station - Supervisor password</source>
        <translation>RX48P Station - Mot de passe superviseur</translation>
    </message>
    <message>
        <source>RX48P Station - Set the supervisor password</source>
        <translation>RX48P Station - Définir le mot de passe superviseur</translation>
    </message>
    <message>
        <source>RX48P Station - Change the supervisor password</source>
        <translation>RX48P Station - Changer le mot de passe superviseur</translation>
    </message>
    <message>
        <source>RX48P Station - Remove the supervisor password</source>
        <translation>RX48P Station - Supprimer le mot de passe superviseur</translation>
    </message>
    <message>
        <source>The new password: at least %1 characters, typed twice.</source>
        <translation>Le nouveau mot de passe : au moins %1 caractères, saisi deux fois.</translation>
    </message>
    <message>
        <source>Without a password anyone at the station may change the setup.</source>
        <translation>Sans mot de passe, n’importe qui à la station peut changer la configuration.</translation>
    </message>
    <message>
        <source>&amp;Current password</source>
        <translation>Mot de passe &amp;actuel</translation>
    </message>
    <message>
        <source>&amp;Password</source>
        <translation>&amp;Mot de passe</translation>
    </message>
    <message>
        <source>&amp;New password</source>
        <translation>&amp;Nouveau mot de passe</translation>
    </message>
    <message>
        <source>&amp;Again</source>
        <translation>À nou&amp;veau</translation>
    </message>
    <message>
        <source>Too soon</source>
        <translation>Trop tôt</translation>
    </message>
    <message>
        <source>Wrong password</source>
        <translation>Mot de passe erroné</translation>
    </message>
    <message>
        <source>%1: wait %2 s</source>
        <translation>%1 : attendez %2 s</translation>
    </message>
    <message>
        <source>%1: try again</source>
        <translation>%1 : réessayez</translation>
    </message>
</context>
<context>
    <name>op::setup_dialog</name>
    <message>
        <source>System (%1)</source>
        <translation>Système (%1)</translation>
    </message>
    <message>
        <source>Applies at the next start of the window.</source>
        <translation>S’applique au prochain démarrage de la fenêtre.</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Langue</translation>
    </message>
    <message>
        <source>Released programs &amp;only</source>
        <translation>Programmes &amp;validés seulement</translation>
    </message>
    <message>
        <source>Refuse a part program whose content is not released on the results server</source>
        <translation>Refuser un programme de pièce dont le contenu n’est pas validé sur le serveur de résultats</translation>
    </message>
    <message>
        <source>Add f&amp;ixture</source>
        <translation>&amp;Ajouter un poste</translation>
    </message>
    <message>
        <source>Remo&amp;ve fixture</source>
        <translation>Retirer un pos&amp;te</translation>
    </message>
    <message>
        <source>&amp;Browse…</source>
        <translation>Parc&amp;ourir…</translation>
    </message>
    <message>
        <source>B&amp;rowse…</source>
        <translation>Pa&amp;rcourir…</translation>
    </message>
    <message>
        <source>Set…</source>
        <translation>Définir…</translation>
    </message>
    <message>
        <source>Change…</source>
        <translation>Changer…</translation>
    </message>
    <message>
        <source>Remove…</source>
        <translation>Supprimer…</translation>
    </message>
    <message>
        <source>RX48P Station - Setup</source>
        <translation>RX48P Station - Configuration</translation>
    </message>
    <message>
        <source>a device path, e.g. /dev/pts/3 or /tmp/rx48p-board</source>
        <translation>un chemin de périphérique, p. ex. /dev/pts/3 ou /tmp/rx48p-board</translation>
    </message>
    <message>
        <source>name</source>
        <translation>nom</translation>
    </message>
    <message>
        <source>its port or device path</source>
        <translation>son port ou chemin de périphérique</translation>
    </message>
    <message>
        <source>the expected part&apos;s file</source>
        <translation>le fichier de la pièce attendue</translation>
    </message>
    <message>
        <source>prefix, e.g. LINE1-</source>
        <translation>préfixe, p. ex. LIGNE1-</translation>
    </message>
    <message>
        <source>none; or postgresql://USER@HOST/DBNAME</source>
        <translation>aucun ; ou postgresql://UTILISATEUR@HÔTE/NOMBASE</translation>
    </message>
    <message>
        <source>&amp;Port</source>
        <translation>&amp;Port</translation>
    </message>
    <message>
        <source>or &amp;device path</source>
        <translation>ou &amp;chemin de périphérique</translation>
    </message>
    <message>
        <source>or fixtures</source>
        <translation>ou postes</translation>
    </message>
    <message>
        <source>Part &amp;program</source>
        <translation>Progra&amp;mme de pièce</translation>
    </message>
    <message>
        <source>&amp;Sensitivity</source>
        <translation>&amp;Sensibilité</translation>
    </message>
    <message>
        <source>B&amp;uzzer</source>
        <translation>B&amp;uzzer</translation>
    </message>
    <message>
        <source>&amp;Tolerance</source>
        <translation>&amp;Tolérance</translation>
    </message>
    <message>
        <source>Se&amp;rials</source>
        <translation>&amp;Numéros de série</translation>
    </message>
    <message>
        <source>D&amp;atabase</source>
        <translation>Base de &amp;données</translation>
    </message>
    <message>
        <source>S&amp;erver</source>
        <translation>Serv&amp;eur</translation>
    </message>
    <message>
        <source>Statio&amp;n name</source>
        <translation>Nom de la stat&amp;ion</translation>
    </message>
    <message>
        <source>Setup and taking fixtures out of service then ask for it</source>
        <translation>La configuration et la mise hors service des postes le demandent alors</translation>
    </message>
    <message>
        <source>Supervisor password</source>
        <translation>Mot de passe superviseur</translation>
    </message>
    <message>
        <source>none: anyone may open Setup</source>
        <translation>aucun : tout le monde peut ouvrir la configuration</translation>
    </message>
    <message>
        <source>unreadable: set it again from the command line</source>
        <translation>illisible : redéfinissez-le en ligne de commande</translation>
    </message>
    <message>
        <source>set on %1</source>
        <translation>défini le %1</translation>
    </message>
    <message>
        <source>set</source>
        <translation>défini</translation>
    </message>
    <message>
        <source>Part program</source>
        <translation>Programme de pièce</translation>
    </message>
    <message>
        <source>Part files (*.device);;All files (*)</source>
        <translation>Fichiers de pièce (*.device);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Results database</source>
        <translation>Base de données des résultats</translation>
    </message>
    <message>
        <source>SQLite databases (*.sqlite);;All files (*)</source>
        <translation>Bases de données SQLite (*.sqlite);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Up to %1 boards tested side by side, each named and on its port; none: the one board on the port above</source>
        <translation>Jusqu'à %1 cartes testées côte à côte, chacune nommée et sur son port ; aucune : la seule carte sur le port ci-dessus</translation>
    </message>
</context>
<context>
    <name>op::station_session</name>
    <message>
        <source>the station is not taking serials now</source>
        <translation>la station ne prend pas de numéro de série maintenant</translation>
    </message>
</context>
<context>
    <name>op::station_window</name>
    <message>
        <source>Scan its serial: the next scan goes here</source>
        <translation>Scannez son numéro de série : le prochain scan va ici</translation>
    </message>
    <message>
        <source>Waits for a serial after the others</source>
        <translation>Attend un numéro de série après les autres</translation>
    </message>
    <message>
        <source>passed %1   failed %2   yield %3</source>
        <translation>bonnes %1   mauvaises %2   rendement %3</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programme</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>Database</source>
        <translation>Base de données</translation>
    </message>
    <message>
        <source>Server</source>
        <translation>Serveur</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>N° de série</translation>
    </message>
    <message>
        <source>Last parts</source>
        <translation>Dernières pièces</translation>
    </message>
    <message>
        <source>Setup…  (F2)</source>
        <translation>Configuration…  (F2)</translation>
    </message>
    <message>
        <source>Start  (Enter)</source>
        <translation>Démarrer  (Entrée)</translation>
    </message>
    <message>
        <source>Stop  (Esc)</source>
        <translation>Arrêter  (Échap)</translation>
    </message>
    <message>
        <source>RX48P Station</source>
        <translation>RX48P Station</translation>
    </message>
    <message>
        <source>scan the part&apos;s serial</source>
        <translation>scannez le numéro de série de la pièce</translation>
    </message>
    <message>
        <source>Taking fixture %1 out of service or back needs the supervisor password.</source>
        <translation>Mettre le poste %1 hors service ou le remettre en service demande le mot de passe superviseur.</translation>
    </message>
    <message>
        <source>%1  (firmware %2)</source>
        <translation>%1  (firmware %2)</translation>
    </message>
    <message>
        <source>RX48P Station - %1</source>
        <translation>RX48P Station - %1</translation>
    </message>
    <message>
        <source>Setup needs the supervisor password.</source>
        <translation>La configuration demande le mot de passe superviseur.</translation>
    </message>
    <message>
        <source>  held for the next</source>
        <translation>  gardé pour le suivant</translation>
    </message>
    <message>
        <source>Enter starts all, Esc stops all; Ctrl+1..Ctrl+%1 takes fixture 1..%1 out of service after its part, and back</source>
        <translation>Entrée démarre tout, Échap arrête tout ; Ctrl+1..Ctrl+%1 met le montage 1..%1 hors service après sa pièce, et l'y remet</translation>
    </message>
</context>
<context>
    <name>op::trouble_banner</name>
    <message>
        <source>&amp;Reconnect</source>
        <translation>&amp;Reconnecter</translation>
    </message>
</context>
<context>
    <name>op::verdict_tile</name>
    <message>
        <source>%1  (more in the table)</source>
        <translation>%1  (suite dans le tableau)</translation>
    </message>
</context>
<context>
    <name>supervisor_lock</name>
    <message>
        <source>the settings file %1 could not be written</source>
        <translation>le fichier de paramètres %1 n’a pas pu être écrit</translation>
    </message>
    <message>
        <source>the password needs at least %1 characters</source>
        <translation>le mot de passe doit avoir au moins %1 caractères</translation>
    </message>
    <message>
        <source>the two passwords typed differ</source>
        <translation>les deux mots de passe saisis diffèrent</translation>
    </message>
    <message>
        <source>a supervisor password is already set</source>
        <translation>un mot de passe superviseur est déjà défini</translation>
    </message>
    <message>
        <source>no supervisor password is set</source>
        <translation>aucun mot de passe superviseur n’est défini</translation>
    </message>
</context>
<context>
    <name>window_texts</name>
    <message>
        <source>STOPPED</source>
        <translation>ARRÊTÉ</translation>
    </message>
    <message>
        <source>STARTING</source>
        <translation>DÉMARRAGE</translation>
    </message>
    <message>
        <source>WAITING FOR PART</source>
        <translation>EN ATTENTE DE PIÈCE</translation>
    </message>
    <message>
        <source>TESTING</source>
        <translation>TEST EN COURS</translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>BON</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>MAUVAIS</translation>
    </message>
    <message>
        <source>NOT RECORDED</source>
        <translation>NON ENREGISTRÉ</translation>
    </message>
    <message>
        <source>OUT OF SERVICE</source>
        <translation>HORS SERVICE</translation>
    </message>
    <message>
        <source>next: %1</source>
        <translation>suivant : %1</translation>
    </message>
    <message>
        <source>part %1</source>
        <translation>pièce %1</translation>
    </message>
    <message>
        <source>part %1  %2</source>
        <translation>pièce %1  %2</translation>
    </message>
    <message>
        <source>Stopping after this part</source>
        <translation>Arrêt après cette pièce</translation>
    </message>
    <message>
        <source>Out of service after this part</source>
        <translation>Hors service après cette pièce</translation>
    </message>
    <message>
        <source>Ctrl+%1 puts it back in service</source>
        <translation>Ctrl+%1 le remet en service</translation>
    </message>
    <message>
        <source>Connecting to the board on %1</source>
        <translation>Connexion à la carte sur %1</translation>
    </message>
    <message>
        <source>Scan the serial of the next part</source>
        <translation>Scannez le numéro de série de la pièce suivante</translation>
    </message>
    <message>
        <source>Insert a part</source>
        <translation>Insérez une pièce</translation>
    </message>
    <message>
        <source>Insert the next part</source>
        <translation>Insérez la pièce suivante</translation>
    </message>
    <message>
        <source>Testing: leave the part in the fixture</source>
        <translation>Test en cours : laissez la pièce dans le poste</translation>
    </message>
    <message>
        <source>Remove the part</source>
        <translation>Retirez la pièce</translation>
    </message>
    <message>
        <source>Done: 1 part tested</source>
        <translation>Terminé : 1 pièce testée</translation>
    </message>
    <message numerus="yes">
        <source>Done: %n parts tested</source>
        <translation>
            <numerusform>Terminé : %n pièce testée</numerusform>
            <numerusform>Terminé : %n pièces testées</numerusform>
        </translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Arrêté</translation>
    </message>
    <message>
        <source>Stopped by trouble</source>
        <translation>Arrêté par un incident</translation>
    </message>
    <message>
        <source>Press Enter to start.</source>
        <translation>Appuyez sur Entrée pour démarrer.</translation>
    </message>
    <message>
        <source>%1. Press Enter to start.</source>
        <translation>%1. Appuyez sur Entrée pour démarrer.</translation>
    </message>
    <message>
        <source>Opening the database %1</source>
        <translation>Ouverture de la base de données %1</translation>
    </message>
    <message>
        <source>Scan the serial for fixture %1</source>
        <translation>Scannez le numéro de série pour le poste %1</translation>
    </message>
    <message>
        <source>(next serial: %1)</source>
        <translation>(numéro de série suivant : %1)</translation>
    </message>
    <message>
        <source>press Ctrl+%1 twice</source>
        <translation>appuyez deux fois sur Ctrl+%1</translation>
    </message>
    <message>
        <source>press Reconnect</source>
        <translation>appuyez sur Reconnecter</translation>
    </message>
    <message>
        <source>Cannot start: %1</source>
        <translation>Impossible de démarrer : %1</translation>
    </message>
    <message>
        <source>Cannot start: every fixture is out of service: Ctrl+1 puts the first back</source>
        <translation>Impossible de démarrer : tous les postes sont hors service ; Ctrl+1 remet le premier en service</translation>
    </message>
    <message>
        <source>Not released: %1. Only released programs run here: ask the engineer to release it, or to set up a released one.</source>
        <translation>Non validé : %1. Seuls les programmes validés tournent ici : demandez à l’ingénieur de le valider, ou d’en configurer un qui l’est.</translation>
    </message>
    <message>
        <source>The board is gone (%1). Check its cable and power, then %2.</source>
        <translation>La carte a disparu (%1). Vérifiez son câble et son alimentation, puis %2.</translation>
    </message>
    <message>
        <source>The board stopped answering (%1). Check its power and cable, then %2.</source>
        <translation>La carte ne répond plus (%1). Vérifiez son alimentation et son câble, puis %2.</translation>
    </message>
    <message>
        <source>This part file is not for this board: %1. Choose the program for this board in Setup, or use a board with that firmware.</source>
        <translation>Ce fichier de pièce n’est pas pour cette carte : %1. Choisissez le programme de cette carte dans Configuration, ou utilisez une carte avec ce firmware.</translation>
    </message>
    <message>
        <source>the station</source>
        <translation>la station</translation>
    </message>
    <message>
        <source>fixture %1</source>
        <translation>le poste %1</translation>
    </message>
    <message>
        <source>Part %1 could not be recorded, so %2 stopped: %3. Check the database %4 (free space, access), then %5.</source>
        <translation>La pièce %1 n’a pas pu être enregistrée, donc %2 s’est arrêté(e) : %3. Vérifiez la base de données %4 (espace libre, droits), puis %5.</translation>
    </message>
    <message>
        <source>press Start</source>
        <translation>appuyez sur Démarrer</translation>
    </message>
    <message>
        <source>The end of the run could not be recorded: %1. Check the database %2.</source>
        <translation>La fin de la série n’a pas pu être enregistrée : %1. Vérifiez la base de données %2.</translation>
    </message>
    <message>
        <source>The results server is out of reach (%1). The station goes on and keeps every part in %2; they go to the server when it is back.</source>
        <translation>Le serveur de résultats est injoignable (%1). La station continue et garde chaque pièce dans %2 ; elles iront au serveur à son retour.</translation>
    </message>
    <message>
        <source>The results server is back: forwarding the parts recorded meanwhile.</source>
        <translation>Le serveur de résultats est de retour : envoi des pièces enregistrées entre-temps.</translation>
    </message>
    <message>
        <source>The results server cannot take the parts (%1): tell the line&apos;s engineer. The station goes on and keeps every part in %2.</source>
        <translation>Le serveur de résultats ne peut pas prendre les pièces (%1) : prévenez l’ingénieur de la ligne. La station continue et garde chaque pièce dans %2.</translation>
    </message>
    <message>
        <source>The results server refused part %1 (%2). It stays in %3; tell the line&apos;s engineer.</source>
        <translation>Le serveur de résultats a refusé la pièce %1 (%2). Elle reste dans %3 ; prévenez l’ingénieur de la ligne.</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>non connecté</translation>
    </message>
    <message>
        <source>Led anode</source>
        <translation>LED anode</translation>
    </message>
    <message>
        <source>Led cathode</source>
        <translation>LED cathode</translation>
    </message>
    <message>
        <source>Led bidirectionnel</source>
        <translation>LED bidirectionnelle</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Court-circuit</translation>
    </message>
    <message>
        <source>Common</source>
        <translation>Commun</translation>
    </message>
    <message>
        <source>Button OFF</source>
        <translation>Bouton OFF</translation>
    </message>
    <message>
        <source>Button ON</source>
        <translation>Bouton ON</translation>
    </message>
    <message>
        <source>Touch OFF</source>
        <translation>Tactile OFF</translation>
    </message>
    <message>
        <source>Touch ON</source>
        <translation>Tactile ON</translation>
    </message>
    <message>
        <source>type %1</source>
        <translation>type %1</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1&#xa0;s</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1&#xa0;%</translation>
    </message>
    <message>
        <source>pair %1-%2</source>
        <translation>paire %1-%2</translation>
    </message>
    <message>
        <source>button %1 (common %2)</source>
        <translation>bouton %1 (commun %2)</translation>
    </message>
    <message>
        <source>touch %1</source>
        <translation>tactile %1</translation>
    </message>
    <message>
        <source>missing (open)</source>
        <translation>absent (ouvert)</translation>
    </message>
    <message>
        <source>not expected (short)</source>
        <translation>inattendu (court-circuit)</translation>
    </message>
    <message>
        <source>pin %1 is %2, expected %3</source>
        <translation>la broche %1 est %2, attendu %3</translation>
    </message>
    <message>
        <source>Vdrop(%1-&gt;%2) = %3, expected %4 within %5</source>
        <translation>Vchute(%1-&gt;%2) = %3, attendu %4 à %5 près</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>absent</translation>
    </message>
    <message>
        <source>not expected</source>
        <translation>inattendu</translation>
    </message>
    <message>
        <source>missing from the measure</source>
        <translation>absent de la mesure</translation>
    </message>
    <message>
        <source>%1, expected %2</source>
        <translation>%1, attendu %2</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
    <message numerus="yes">
        <source>and %n more</source>
        <translation>
            <numerusform>et %n autre</numerusform>
            <numerusform>et %n autres</numerusform>
        </translation>
    </message>
    <message>
        <source>measured %1, not on record</source>
        <translation>mesurée %1, non enregistrée</translation>
    </message>
</context>
</TS>
